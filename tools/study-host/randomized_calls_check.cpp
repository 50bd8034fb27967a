// The randomized run of study-host validate: thousands of calls with random
// hosts, inputs, type codes, positions and flags, each checked against what
// the study must do.
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <random>

#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "interface/input_conversions.h"
#include "number_parsing.h"
#include "record_guard.h"
#include "validation_checks.h"

namespace {

constexpr std::uint8_t kPrivatePattern = 0x5A;
constexpr double kUntouched = -424242.5;  // never a whole number, so never written

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
  const double specials[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.5,
                             2.5,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1e300,
                             -1e300,
                             4294967296.0,
                             std::numeric_limits<double>::denorm_min()};
  if (random.Chance(40)) return specials[random.Below(std::size(specials))];
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

InputSlot& SlotForInput(StandInHost& host, std::int32_t index) {
  InputSlotArray& slots = host.record().input_slots;
  if (slots.data == nullptr || slots.count <= 0) return slots.fallback;
  return slots.data[index < slots.count ? index : slots.count - 1];
}

// Scale-out quantity where it has one; none for results that are not a
// number or do not fit an int32.
std::optional<double> ReferenceScaleOut(double position, std::int32_t percentage, bool down) {
  const double size = std::fabs(position);
  if (!(size > 1.0)) return 1.0;
  double scaled = static_cast<double>(percentage) * size / 100.0;
  scaled = down ? std::floor(scaled) : std::ceil(scaled);
  if (std::isnan(scaled) || scaled >= 2147483648.0) return std::nullopt;
  return scaled < 1.0 ? 1.0 : scaled;
}

struct Expectation {
  bool query = false;
  bool written = false;
  std::optional<double> quantity;  // exact value where the contract fixes one
  bool scale_out = false;          // the written quantity is a scale-out quantity
};

Expectation Expect(StandInHost& host, bool defaults, bool host_call_flag, double position) {
  Expectation expected;
  if (defaults) return expected;
  if (host_call_flag) {
    expected.written = true;
    expected.quantity = SlotAsInteger(SlotForInput(host, 2));
    return expected;
  }
  if (SlotAsFlag(SlotForInput(host, 0)) == 0) return expected;
  if (host.record().position_query == nullptr) return expected;
  expected.query = true;
  expected.written = true;
  if (position == 0.0) {
    expected.quantity = SlotAsInteger(SlotForInput(host, 1));
  } else if (SlotAsFlag(SlotForInput(host, 3)) == 1) {
    expected.scale_out = true;
    expected.quantity = ReferenceScaleOut(position, SlotAsInteger(SlotForInput(host, 4)),
                                          SlotAsFlag(SlotForInput(host, 5)) == 1);
  } else {
    expected.quantity = SlotAsInteger(SlotForInput(host, 2));
  }
  return expected;
}

// Allocate calls the module must make: one per lookup while the array is
// missing, so six unless the first call supplies it.
std::int32_t ExpectedAllocateCalls(const StandInHostOptions& options) {
  if (options.array == ArrayDelivery::kUpFront && options.slot_count > 0) return 0;
  if (!options.allocate_service) return 0;
  if (options.array == ArrayDelivery::kOnAllocate && options.slot_count > 0) return 1;
  return 6;
}

std::string DescribeCall(int call, double position, bool defaults, bool host_call_flag) {
  return "call " + std::to_string(call) + " (position " + FormatPosition(position) +
         (defaults ? ", defaults" : "") + (host_call_flag ? ", host call flag" : "") + "): ";
}

// One random call; "" when everything held, else what did not.
std::string RandomCall(StudyFunctionExport study, Random& random, int call) {
  const StandInHostOptions options = RandomHostOptions(random);
  StandInHost host(options);
  if (host.has_array() && random.Chance(5)) host.record().input_slots.count = -1;
  const bool defaults = random.Chance(10);
  const bool host_call_flag = random.Chance(15);
  const double position = SpecialOrRandomPosition(random);
  host.record().defaults_flag = defaults ? 1 : 0;
  host.record().host_call_flag = host_call_flag ? 1 : 0;
  host.set_position(position);
  if (random.Chance(30)) host.set_position_texts("first host text", "second host text");
  for (std::int32_t index = 0; index < options.slot_count && host.has_array(); ++index) {
    RandomizeSlot(host.input(index), random);
  }
  RandomizeSlot(host.record().input_slots.fallback, random);
  host.record().order_quantity = kUntouched;
  FillPrivateBytes(host, kPrivatePattern);
  RecordImage before = TakeRecordImage(host);

  study(&host.record());

  const std::string where = DescribeCall(call, position, defaults, host_call_flag);
  RecordImage after = TakeRecordImage(host);
  if (before.slots.empty() && !after.slots.empty()) {
    // The host supplied its array during the call: those record fields are the host's writes.
    const std::size_t from = offsetof(StudyInterface, input_slots);
    const std::size_t to = from + offsetof(InputSlotArray, fallback);
    std::memcpy(before.record.data() + from, after.record.data() + from, to - from);
  }
  const std::string forbidden =
      FindForbiddenWrite(before, after, defaults ? CallKind::kDefaults : CallKind::kOrdinary);
  if (!forbidden.empty()) return where + forbidden;
  if (host.allocate_calls() != ExpectedAllocateCalls(options)) {
    return where + std::to_string(host.allocate_calls()) + " allocate calls, expected " +
           std::to_string(ExpectedAllocateCalls(options));
  }
  if (!host.position_records_well_formed()) return where + "position record not built as expected";

  const Expectation expected = Expect(host, defaults, host_call_flag, position);
  if ((host.position_queries() > 0) != expected.query) {
    return where + (expected.query ? "no position query" : "an unexpected position query");
  }
  const double written = host.record().order_quantity;
  if (!expected.written) {
    return written == kUntouched ? "" : where + "wrote " + FormatPosition(written);
  }
  if (written == kUntouched) return where + "wrote no quantity";
  if (!std::isfinite(written) || written != std::trunc(written)) {
    return where + "wrote " + FormatPosition(written) + ", not a whole number";
  }
  if (expected.scale_out && written < 1) {
    return where + "wrote scale-out quantity " + FormatPosition(written) + ", below 1";
  }
  if (expected.quantity && written != *expected.quantity) {
    return where + "wrote " + FormatPosition(written) + ", expected " +
           FormatPosition(*expected.quantity);
  }
  return "";
}

}  // namespace

CheckResult CheckRandomizedCalls(const CheckSettings& settings) {
  StudyModule module;
  std::string reason;
  if (LoadStudyModule(settings.module_path, module, reason) != ModuleLoadError::kNone) {
    return Failed(reason);
  }
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
