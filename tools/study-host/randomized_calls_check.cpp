// The randomized run of study-host validate: thousands of calls with random
// hosts, inputs, type codes, positions and flags, each checked against what
// the study must do.
#include <cmath>
#include <cstring>
#include <random>

#include "host/call_judge.h"
#include "host/edge_positions.h"
#include "host/record_guard.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "interface/input_conversions.h"
#include "text_parsing.h"
#include "validation_checks.h"

namespace {

constexpr std::uint8_t kPrivatePattern = 0x5A;

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  std::uint64_t Bits() { return engine_(); }
  // 0 .. n-1
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(engine_() % n); }
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::mt19937_64 engine_;
};

double SpecialOrRandomPosition(Random& random) {
  if (random.Chance(40)) return kEdgePositions[random.Below(kEdgePositionCount)];
  if (random.Chance(50))
    return static_cast<double>(static_cast<std::int32_t>(random.Below(41)) - 20);
  const std::uint64_t bits = random.Bits();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A random type code (mostly the declared ones) and value for one slot.
void RandomizeSlot(InputSlot& slot, Random& random) {
  slot.type_code = random.Chance(60) ? (random.Chance(50) ? kYesNoTypeCode : kIntegerTypeCode)
                                     : static_cast<std::uint8_t>(random.Below(256));
  for (std::uint8_t& byte : slot.value) byte = static_cast<std::uint8_t>(random.Bits());
  switch (random.Below(4)) {
    case 0:
      StoreInt32(slot, static_cast<std::int32_t>(random.Below(211)) - 10);
      break;
    case 1:
      StoreFloat32(slot, static_cast<float>(SpecialOrRandomPosition(random)));
      break;
    case 2:
      StoreFloat64(slot, SpecialOrRandomPosition(random));
      break;
    default:
      break;  // random bytes
  }
}

StandInHostOptions RandomHostOptions(Random& random) {
  StandInHostOptions options;
  const std::int32_t counts[] = {6, 6, 6, 1, 3, 8, 0};
  options.slot_count = counts[random.Below(std::size(counts))];
  options.array = random.Chance(75)
                      ? ArrayDelivery::kUpFront
                      : (random.Chance(50) ? ArrayDelivery::kOnAllocate : ArrayDelivery::kNever);
  options.allocate_service = random.Chance(85);
  options.set_description_service = random.Chance(85);
  options.position_query_service = random.Chance(90);
  return options;
}

std::string DescribeCall(int call, double position, bool defaults, bool host_call_flag) {
  return "call " + std::to_string(call) + " (position " + FormatPosition(position) +
         (defaults ? ", defaults" : "") + (host_call_flag ? ", host call flag" : "") + "): ";
}

// One random call; "" when everything held, else what did not.
std::string RandomCall(StudyFunctionExport study, Random& random, int call) {
  CallSetup setup;
  setup.options = RandomHostOptions(random);
  StandInHost host(setup.options);
  if (host.has_array() && random.Chance(5)) host.record().input_slots.count = -1;
  setup.defaults = random.Chance(10);
  setup.host_call_flag = random.Chance(15);
  setup.position = SpecialOrRandomPosition(random);
  host.record().defaults_flag = setup.defaults ? 1 : 0;
  host.record().host_call_flag = setup.host_call_flag ? 1 : 0;
  host.set_position(setup.position);
  if (random.Chance(30)) host.set_position_texts("first host text", "second host text");
  for (std::int32_t index = 0; index < setup.options.slot_count && host.has_array(); ++index) {
    RandomizeSlot(host.input(index), random);
  }
  RandomizeSlot(host.record().input_slots.fallback, random);
  host.record().order_quantity = kQuantityBeforeCall;
  FillPrivateBytes(host, kPrivatePattern);
  const RecordImage before = TakeRecordImage(host);

  study(&host.record());

  const std::string fault = JudgeCall(setup, host, before);
  return fault.empty()
             ? ""
             : DescribeCall(call, setup.position, setup.defaults, setup.host_call_flag) + fault;
}

}  // namespace

CheckResult CheckRandomizedCalls(const CheckSettings& settings, const StudyModule& module) {
  Random random(settings.seed);
  for (int call = 1; call <= settings.random_calls; ++call) {
    const std::string fault = RandomCall(module.study, random, call);
    if (!fault.empty()) {
      return Failed("seed " + std::to_string(settings.seed) + ", " + fault);
    }
  }
  return Passed(std::to_string(settings.random_calls) +
                " random calls kept every invariant (seed " + std::to_string(settings.seed) + ")");
}
