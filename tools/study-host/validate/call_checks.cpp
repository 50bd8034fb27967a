// Checks of the calls: every kind of call watched for stray writes, hosts
// missing pieces, the edge sweep, the study's own sweep and the seeded
// randomized run. Every call is judged by the host's rules, and by the
// study's own rule when the tool knows one.
#include "tools/study-host/validate/call_checks.h"

#include <memory>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/call_probes.h"
#include "judge/call_scenarios.h"
#include "judge/edge_calls.h"
#include "judge/random_calls.h"
#include "judge/record_guard.h"
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
std::string EarlierRecordChanged(const std::vector<EarlierCall>& earlier,
                                 const judge::JudgedStudy& study) {
  const judge::Declaration& declaration = study.declaration;
  const std::string declaring = judge::DeclaringRecordChanged(study);
  if (!declaring.empty()) return declaring;
  for (const EarlierCall& call : earlier) {
    const judge::RecordImage now = judge::TakeRecordImage(*call.host);
    const std::string changed =
        judge::FirstChangedField(*call.host, call.returned, now, declaration);
    if (!changed.empty()) return "the record of an earlier call (" + call.name + "): " + changed;
  }
  return "";
}

// Positions at which every input's edges are tried.
constexpr double kInputEdgePositions[] = {0.0, 3.0, -2.5};

}  // namespace

// Each kind of call, once with each fill pattern; every earlier call's
// record stays guarded while the later calls run, as a host's records of
// past updates live on after their calls.
CheckResult CheckRecordUntouched(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  std::vector<EarlierCall> earlier;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    for (std::uint8_t pattern : judge::kFillPatterns) {
      context.Announce(scenario.name);
      auto host = std::make_unique<StandInHost>(scenario.options);
      judge::PrepareScenario(*host, scenario, study);
      const std::string fault = judge::MakeWatchedCall(*host, study, pattern);
      if (!fault.empty()) return FailedAt(scenario.name, fault);
      const std::string late = EarlierRecordChanged(earlier, study);
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

// A defaults call, an ordinary call and one with the host call flag in each
// host that lacks a piece; then a null record.
CheckResult CheckMissingHostServices(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  enum Call { kDefaults, kOrdinary, kHostCallFlag };
  const char* const call_names[] = {"defaults call", "ordinary call", "host call flag"};
  std::size_t calls = 0;
  for (const judge::HostConfiguration& shape : judge::kHostsWithMissingPieces) {
    StandInHost host(shape.options);
    host.set_position(4);
    for (Call call : {kDefaults, kOrdinary, kHostCallFlag}) {
      const std::string where = std::string(shape.name) + ", " + call_names[call];
      context.Announce(where);
      host.record().defaults_flag = call == kDefaults ? 1 : 0;
      host.record().host_call_flag = call == kHostCallFlag ? 1 : 0;
      if (call == kOrdinary) {
        judge::ApplyInputChoice(host.record(), study.declaration,
                                judge::InputChoice::kFirstYesNoOn);
      }
      const std::string fault = judge::MakeJudgedCall(host, study, judge::FillPatternFor(calls));
      ++calls;
      if (!fault.empty()) return FailedAt(where, fault);
    }
  }
  context.Announce("a call with a null record");
  study.function(nullptr);
  return Passed(std::to_string(calls) + " calls in hosts with missing pieces, and a null record");
}

// Positions at their edges with every yes/no input set; every input at the
// edges of its type at a few positions; the study's own edges on top.
CheckResult CheckEdgePositions(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  StandInHost host;
  host.CallDefaults(study.function);
  std::size_t calls = 0;
  const auto judged = [&](const std::string& where) {
    context.Announce(where);
    return judge::MakeJudgedCall(host, study, judge::FillPatternFor(calls++));
  };
  for (const double position : judge::EdgePositions()) {
    judge::ApplyInputChoice(host.record(), study.declaration, judge::InputChoice::kEveryYesNoOn);
    host.set_position(position);
    const std::string where = "position " + FormatPosition(position);
    const std::string fault = judged(where);
    if (!fault.empty()) return FailedAt(where, fault);
  }
  for (const judge::InputEdge& edge : judge::InputEdges(study.declaration)) {
    for (const double position : kInputEdgePositions) {
      judge::ApplyInputChoice(host.record(), study.declaration, judge::InputChoice::kEveryYesNoOn);
      judge::SetInputValue(host.record(), edge.input, edge.type_code, edge.value);
      host.set_position(position);
      const std::string where = "position " + FormatPosition(position) + ", " + edge.words;
      const std::string fault = judged(where);
      if (!fault.empty()) return FailedAt(where, fault);
    }
  }
  const std::size_t host_edges = calls;
  if (study.rule != nullptr) {
    for (const judge::StudyRule::EdgeCall& edge : study.rule->OwnEdgeCalls()) {
      edge.prepare(host);
      const std::string fault = judged(edge.words);
      if (!fault.empty()) return FailedAt(edge.words, fault);
    }
  }
  std::string passed = std::to_string(host_edges) +
                       " calls at whole positions -20 to 20, the int32 and float edges, and "
                       "every input's edges";
  if (calls > host_edges) {
    passed += ", and " + std::to_string(calls - host_edges) + " at the edges of its own rule";
  }
  return Passed(passed);
}

// The study's own rule over every size and percentage it knows.
CheckResult CheckScaleOutSweep(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  if (study.rule == nullptr) {
    return Skipped("judges zrPalvessa's own rule; the tool knows none for " + study.name);
  }
  StandInHost host;
  host.CallDefaults(study.function);
  const std::string mismatch = study.rule->SweepOwnRule(
      host, study.function, [&](const std::string& where) { context.Announce(where); });
  if (!mismatch.empty()) return Failed(mismatch);
  return Passed(study.rule->OwnSweepSummary());
}

std::string JudgedRandomCalls(const CheckContext& context, const RandomRun& run) {
  const judge::JudgedStudy& study = context.study();
  judge::CallProbes probes(run.seed, kProbeCalls);
  judge::CallScratch scratch;
  for (std::int32_t call = 1; call <= run.calls; ++call) {
    if (call % run.announce_every == 1) {
      context.Announce(run.name + " " + std::to_string(call) + " onwards");
      run.after_each_announced(call);
    }
    if (call > probes.count() && call % run.probe_every == 0) {
      const std::string changed =
          probes.Remake(study, "after " + Counted(call - 1, "call", "calls"));
      if (!changed.empty()) return changed;
    }
    std::string outcome;
    judge::RandomCall made;
    const std::string fault =
        judge::MakeRandomCall(study, run.seed, call - 1, outcome, made, &scratch);
    if (!fault.empty()) {
      return "call " + std::to_string(call) + " (position " + FormatPosition(made.position) +
             (made.defaults ? ", defaults" : "") + (made.host_call_flag ? ", host call flag" : "") +
             "): " + fault;
    }
    probes.Note(call - 1, outcome);
  }
  return probes.Remake(study, "after all " + Counted(run.calls, "call", "calls"));
}

// Random hosts, type codes, values, positions and flags.
CheckResult CheckRandomizedCalls(const CheckContext& context) {
  const std::string seed = "seed " + std::to_string(context.seed);
  const std::string fault = JudgedRandomCalls(
      context, {.seed = context.seed, .calls = context.random_calls, .name = "random calls"});
  if (!fault.empty()) return Failed(seed + ", " + fault);
  return Passed(Counted(context.random_calls, "random call", "random calls") +
                " judged right, the first " + std::to_string(kProbeCalls) + " made again alike (" +
                seed + ")");
}
