// Checks of the calls: every kind of call watched for stray writes, hosts
// missing pieces, the edge sweep and the seeded randomized run. Every call
// is judged by the contract judge.
#include "tools/study-host/validate/call_checks.h"

#include <memory>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/call_scenarios.h"
#include "judge/contract_inputs.h"
#include "judge/edge_calls.h"
#include "judge/random_calls.h"
#include "judge/record_guard.h"
#include "judge/scale_out_sweep.h"
#include "tools/study-host/common/text_format.h"

namespace {

// A call made earlier, its record kept as it was when the call returned.
struct EarlierCall {
  std::string name;
  std::unique_ptr<StandInHost> host;
  judge::RecordImage returned;
};

// The first record of an earlier call changed since its call returned, in
// words; "" when none.
std::string EarlierRecordChanged(const std::vector<EarlierCall>& earlier) {
  for (const EarlierCall& call : earlier) {
    const judge::RecordImage now = judge::TakeRecordImage(*call.host);
    const std::string changed = judge::FirstChangedByte(call.returned, now);
    if (!changed.empty()) return "the record of an earlier call (" + call.name + "): " + changed;
  }
  return "";
}

}  // namespace

// Each kind of call, once with each fill pattern; every earlier call's
// record stays guarded while the later calls run, as a host's records of
// past updates live on after their calls.
CheckResult CheckRecordUntouched(const CheckContext& context) {
  std::vector<EarlierCall> earlier;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    for (std::uint8_t pattern : judge::kFillPatterns) {
      context.Announce(scenario.name);
      auto host = std::make_unique<StandInHost>(scenario.options);
      judge::PrepareScenario(*host, scenario, context.study());
      const std::string fault = judge::MakeWatchedCall(*host, context.study(), pattern);
      if (!fault.empty()) return Failed(std::string(scenario.name) + ": " + fault);
      const std::string late = EarlierRecordChanged(earlier);
      if (!late.empty()) {
        return Failed(std::string(scenario.name) + " wrote into " + late +
                      " (a study keeps no record once its call returned)");
      }
      earlier.push_back({scenario.name, std::move(host), {}});
      earlier.back().returned = judge::TakeRecordImage(*earlier.back().host);
    }
  }
  return Passed(std::to_string(earlier.size()) + " calls of " +
                std::to_string(judge::CallScenarios().size()) +
                " kinds wrote only what their kind may write, and no earlier call's record");
}

// A defaults call, an ordinary call and one with the
// host call flag in each host that lacks a piece; then a null record.
CheckResult CheckMissingHostServices(const CheckContext& context) {
  enum Call { kDefaults, kEnabled, kHostCallFlag };
  const char* const call_names[] = {"defaults call", "ordinary call", "host call flag"};
  std::size_t calls = 0;
  for (const judge::HostConfiguration& shape : judge::kHostsWithMissingPieces) {
    StandInHost host(shape.options);
    host.set_position(4);
    for (Call call : {kDefaults, kEnabled, kHostCallFlag}) {
      const std::string where = std::string(shape.name) + ", " + call_names[call];
      context.Announce(where);
      host.record().defaults_flag = call == kDefaults ? 1 : 0;
      host.record().host_call_flag = call == kHostCallFlag ? 1 : 0;
      if (call == kEnabled) judge::SetInputFlag(host.record(), judge::kEnabled, true);
      const std::string fault =
          judge::MakeJudgedCall(host, context.study(), judge::FillPatternFor(calls));
      ++calls;
      if (!fault.empty()) return Failed(where + ": " + fault);
    }
  }
  context.Announce("a call with a null record");
  context.study()(nullptr);
  return Passed(std::to_string(calls) + " calls in hosts with missing pieces, and a null record");
}

// The fixed edge sweep, every call judged.
CheckResult CheckEdgePositions(const CheckContext& context) {
  const std::vector<judge::EdgeCall> sweep = judge::EdgeSweep();
  StandInHost host;
  host.CallDefaults(context.study());
  for (std::size_t index = 0; index < sweep.size(); ++index) {
    const judge::EdgeCall& call = sweep[index];
    const std::string where =
        "position " + FormatPosition(call.position) +
        (call.scale_out ? ", scaling out at " + std::to_string(call.percentage) + " % " +
                              (call.round_down ? "down" : "up")
                        : std::string(", in trade"));
    context.Announce(where);
    judge::ApplyStudySettings(host.record(), {.scale_out = call.scale_out,
                                              .percentage = call.percentage,
                                              .round_down = call.round_down});
    host.set_position(call.position);
    const std::string fault =
        judge::MakeJudgedCall(host, context.study(), judge::FillPatternFor(index));
    if (!fault.empty()) return Failed(where + ": " + fault);
  }
  return Passed(std::to_string(sweep.size()) +
                " calls at whole positions -20 to 20 and the int32 and float edges");
}

// Every size and percentage, the written quantity judged.
CheckResult CheckScaleOutSweep(const CheckContext& context) {
  StandInHost host;
  host.CallDefaults(context.study());
  const auto mismatch = judge::SweepScaleOut(
      host, context.study(), [&](const std::string& where) { context.Announce(where); });
  if (mismatch) {
    const std::string written =
        mismatch->written ? "wrote " + FormatPosition(*mismatch->written) : "wrote nothing";
    return Failed("position " + FormatPosition(mismatch->position) + ", scaling out at " +
                  std::to_string(mismatch->percentage) + " % rounding " +
                  (mismatch->round_down ? "down" : "up") + ": " + written + ", expected " +
                  std::to_string(mismatch->expected));
  }
  return Passed(std::to_string(judge::SweepPositions().size() * 200) +
                " calls: sizes to 10,000 in quarters and around powers of two, both signs, "
                "every percentage, both roundings");
}

std::string JudgedRandomCalls(const CheckContext& context, const RandomRun& run) {
  judge::SeededChoices choices(run.seed);
  for (std::int32_t call = 1; call <= run.calls; ++call) {
    if (call % run.announce_every == 1) {
      context.Announce(run.name + " " + std::to_string(call) + " onwards");
      run.after_each_announced(call);
    }
    StandInHost host(judge::RandomHostOptions(choices));
    const judge::RandomCall made = judge::PrepareRandomCall(host, choices);
    const std::string fault =
        judge::MakeJudgedCall(host, context.study(), judge::FillPatternFor(call));
    if (!fault.empty()) {
      return "call " + std::to_string(call) + " (position " + FormatPosition(made.position) +
             (made.defaults ? ", defaults" : "") + (made.host_call_flag ? ", host call flag" : "") +
             "): " + fault;
    }
  }
  return "";
}

// Random hosts, type codes, values, positions and flags.
CheckResult CheckRandomizedCalls(const CheckContext& context) {
  const std::string seed = "seed " + std::to_string(context.seed);
  const std::string fault = JudgedRandomCalls(
      context, {.seed = context.seed, .calls = context.random_calls, .name = "random calls"});
  if (!fault.empty()) return Failed(seed + ", " + fault);
  return Passed(Counted(context.random_calls, "random call", "random calls") + " judged right (" +
                seed + ")");
}
