// The checks that drive the study with many calls: every kind of call
// watched for stray writes and counted for leaks, the edge sweep, and the
// seeded randomized run. Every call is judged by the contract judge.
#include <cstring>
#include <random>

#include "call_scenarios.h"
#include "host/heap_census.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "judge/call_judge.h"
#include "judge/contract_inputs.h"
#include "judge/edge_calls.h"
#include "judge/record_guard.h"
#include "text_parsing.h"
#include "validation_checks.h"

namespace {

std::uint8_t PatternForCall(std::size_t call) {
  return judge::kFillPatterns[call % std::size(judge::kFillPatterns)];
}

// record-untouched: each kind of call, once with each fill pattern.

CheckResult WatchScenarios(const CheckContext& context) {
  std::size_t calls = 0;
  for (const CallScenario& scenario : CallScenarios()) {
    for (std::uint8_t pattern : judge::kFillPatterns) {
      context.phase(scenario.name);
      StandInHost host(scenario.options);
      PrepareScenario(host, scenario, context.module->study);
      const std::string fault = judge::MakeWatchedCall(host, context.module->study, pattern);
      ++calls;
      if (!fault.empty()) return Failed(std::string(scenario.name) + ": " + fault);
    }
  }
  return Passed(std::to_string(calls) + " calls of " + std::to_string(CallScenarios().size()) +
                " kinds wrote only what their kind may write");
}

// heap-balance: each kind of call, many times over, must leave the heap as
// it found it.

HeapCensus CensusAfter(const CallScenario& scenario, judge::StudyFunction study, int calls) {
  for (int call = 0; call < calls; ++call) {
    StandInHost host(scenario.options);
    PrepareScenario(host, scenario, study);
    study(&host.record());
  }
  return TakeHeapCensus();
}

std::string HeapGrowth(const CallScenario& scenario, judge::StudyFunction study) {
  constexpr int kCalls = 200;
  constexpr int kRounds = 4;
  HeapCensus before = CensusAfter(scenario, study, kCalls);  // lets the allocators settle
  for (int round = 1;; ++round) {
    const HeapCensus after = CensusAfter(scenario, study, kCalls);
    if (after.bytes == before.bytes && after.blocks == before.blocks) return "";
    if (round == kRounds) {
      return std::string(scenario.name) + ": the heap grows by " +
             std::to_string(after.bytes - before.bytes) + " bytes" +
             (after.blocks >= 0 ? " (" + std::to_string(after.blocks - before.blocks) + " blocks)"
                                : std::string()) +
             " every " + std::to_string(kCalls) + " calls";
    }
    before = after;
  }
}

}  // namespace

CheckResult CheckRecordUntouched(const CheckContext& context) {
  return WatchScenarios(context);
}

CheckResult CheckHeapBalance(const CheckContext& context) {
  if (!TakeHeapCensus().supported) {
    return Skipped("this build cannot count the heap (AddressSanitizer checks leaks itself)");
  }
  for (const CallScenario& scenario : CallScenarios()) {
    context.phase(scenario.name);
    const std::string growth = HeapGrowth(scenario, context.module->study);
    if (!growth.empty()) return Failed(growth);
  }
  return Passed(std::to_string(CallScenarios().size()) +
                " kinds of call, hundreds of each, left the heap as they found it");
}

// edge-positions: the fixed sweep, every call judged.

CheckResult CheckEdgePositions(const CheckContext& context) {
  const std::vector<judge::EdgeCall> sweep = judge::EdgeSweep();
  StandInHost host;
  host.CallDefaults(context.module->study);
  for (std::size_t index = 0; index < sweep.size(); ++index) {
    const judge::EdgeCall& call = sweep[index];
    const std::string where =
        "position " + FormatPosition(call.position) +
        (call.scale_out ? ", scaling out at " + std::to_string(call.percentage) + " % " +
                              (call.round_down ? "down" : "up")
                        : std::string(", in trade"));
    context.phase(where);
    host.SetFlag(judge::kEnabled, true);
    host.SetFlag(judge::kScaleOut, call.scale_out);
    host.SetInteger(judge::kScaleOutPercentage, call.percentage);
    host.SetFlag(judge::kRoundDown, call.round_down);
    host.set_position(call.position);
    const std::string fault =
        judge::MakeJudgedCall(host, context.module->study, PatternForCall(index));
    if (!fault.empty()) return Failed(where + ": " + fault);
  }
  return Passed(std::to_string(sweep.size()) +
                " calls at whole positions -20 to 20 and the int32 and float edges");
}

// randomized-calls: random hosts, type codes, values, positions and flags.

namespace {

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

double EdgeWholeOrRandomPosition(Random& random) {
  if (random.Chance(40))
    return judge::kEdgePositions[random.Below(std::size(judge::kEdgePositions))];
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
      WriteSlotArea<std::int32_t>(slot.value, static_cast<std::int32_t>(random.Below(211)) - 10);
      break;
    case 1:
      WriteSlotArea(slot.value, static_cast<float>(EdgeWholeOrRandomPosition(random)));
      break;
    case 2:
      WriteSlotArea(slot.value, EdgeWholeOrRandomPosition(random));
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

// One random call; "" when it was judged right.
std::string RandomCall(judge::StudyFunction study, Random& random, int call) {
  StandInHost host(RandomHostOptions(random));
  if (host.has_array() && random.Chance(5)) host.record().input_slots.count = -1;
  const bool defaults = random.Chance(10);
  const bool host_call_flag = random.Chance(15);
  host.record().defaults_flag = defaults ? static_cast<std::int32_t>(random.Bits() | 1) : 0;
  host.record().host_call_flag = host_call_flag ? static_cast<std::int32_t>(random.Bits() | 1) : 0;
  host.set_position(EdgeWholeOrRandomPosition(random));
  if (random.Chance(30)) host.set_position_texts("first host text", "second host text");
  for (std::int32_t index = 0; index < host.slot_count() && host.has_array(); ++index) {
    RandomizeSlot(host.input(index), random);
  }
  RandomizeSlot(host.record().input_slots.fallback, random);
  const std::string fault = judge::MakeJudgedCall(host, study, PatternForCall(call));
  if (fault.empty()) return "";
  return "call " + std::to_string(call) + " (position " + FormatPosition(host.position()) +
         (defaults ? ", defaults" : "") + (host_call_flag ? ", host call flag" : "") +
         "): " + fault;
}

}  // namespace

CheckResult CheckRandomizedCalls(const CheckContext& context) {
  Random random(context.settings.seed);
  for (int call = 1; call <= context.settings.random_calls; ++call) {
    if (call % 100 == 1) context.phase("random calls " + std::to_string(call) + " onwards");
    const std::string fault = RandomCall(context.module->study, random, call);
    if (!fault.empty())
      return Failed("seed " + std::to_string(context.settings.seed) + ", " + fault);
  }
  return Passed(std::to_string(context.settings.random_calls) +
                " random calls judged right (seed " + std::to_string(context.settings.seed) + ")");
}
