#include "tools/study-host/validate/validate_command.h"

#include <random>

#include "host/thread_census.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/session/module_session.h"
#include "tools/study-host/validate/check_bodies.h"
#include "tools/study-host/validate/check_result.h"

namespace {

// The report's columns, printed as the checks end: result, check, detail.
const ColumnLayout kReportColumns({9, 23});

std::uint64_t FreshSeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

// The check's result as its child reported it, held against how the child
// ended and what the module wrote on the child's output.
CheckResult ResultOfChild(const ChildReport& report) {
  const ChildRun& run = report.run;
  const bool ended_cleanly = run.started && !run.timed_out && !run.crashed && run.exit_code == 0;
  std::optional<CheckResult> result;
  if (report.result && !report.malformed) result = DecodeResult(*report.result);
  // A pass counts only from a child that ended cleanly; a failure it found
  // stands however the child ended after it (a module that crashes when
  // unloaded, say).
  if (result && result->outcome != Outcome::kFailed && !ended_cleanly) result.reset();
  if (!result) {
    result = Failed(HowItEnded(report, PhaseOf(report)));
  } else if (run.left_processes) {
    result = Failed("left a process running after the check ended (the study starts none)");
  }
  const std::string note = ModuleOutputNote(run);
  if (!note.empty()) {
    if (result->outcome == Outcome::kPassed) result->outcome = Outcome::kWarning;
    result->detail += "; " + note;
  }
  return *result;
}

struct CheckRun {
  CheckResult result;
  bool timed_out = false;
};

CheckRun RunCheck(const CheckDefinition& check, const ValidateSettings& settings,
                  std::uint64_t seed) {
  const int calls_time =
      check.check == Check::kRandomizedCalls ? settings.random_calls / kRandomCallsPerSecond : 0;
  const int limit = settings.timeout_seconds.value_or(check.timeout_seconds) + calls_time;
  const ChildReport report = RunReportingChild(
      {"validate", settings.module_path, "--seed", std::to_string(seed), "--calls",
       std::to_string(settings.random_calls), kChildCheckOption, std::string(check.name)},
      ChildTerms{.limit_seconds = limit, .limit = TimeLimit::kWholeRun},
      [](const std::vector<Frame>&) {});
  return {ResultOfChild(report), report.run.timed_out};
}

// The checks asked for and those they need; every check when none was.
std::vector<Check> ChecksToRun(const ValidateSettings& settings) {
  if (!settings.checks.empty()) return WithNeededChecks(settings.checks);
  std::vector<Check> all;
  for (const CheckDefinition& check : kChecks) all.push_back(check.check);
  return all;
}

int ListChecks() {
  TextTable table({"check", "what it covers"});
  for (const CheckDefinition& check : kChecks) {
    table.AddRow({std::string(check.name), std::string(check.description)});
  }
  WriteOutput(table.Render());
  return kExitSuccess;
}

std::string Summary(const int (&counts)[4]) {
  const auto count = [&counts](Outcome outcome) { return counts[static_cast<int>(outcome)]; };
  std::string summary = std::to_string(count(Outcome::kPassed)) + " passed, ";
  if (count(Outcome::kWarning) > 0) {
    summary += std::to_string(count(Outcome::kWarning)) + " with a warning, ";
  }
  summary += std::to_string(count(Outcome::kFailed)) + " failed";
  if (count(Outcome::kSkipped) > 0) {
    summary += ", " + std::to_string(count(Outcome::kSkipped)) + " skipped";
  }
  return summary + "\n";
}

}  // namespace

int Validate(const ValidateSettings& settings) {
  if (settings.list) return ListChecks();
  CheckModuleFile(settings.module_path);
  const std::uint64_t seed = settings.seed.value_or(FreshSeed());
  WriteOutput("validate " + Escaped(settings.module_path) + " (seed " + std::to_string(seed) +
              ")\n");
  WriteOutput(kReportColumns.Row({"result", "check", "detail"}));
  FlushOutput();
  std::optional<Outcome> outcomes[std::size(kChecks)];
  int counts[4] = {};
  std::string hung;  // the first check that did not finish in time
  for (const Check check : ChecksToRun(settings)) {
    const CheckDefinition& definition = DefinitionOf(check);
    CheckResult result;
    const std::optional<Outcome> needed =
        definition.needs ? outcomes[static_cast<std::size_t>(*definition.needs)] : std::nullopt;
    if (definition.needs && !Usable(needed.value_or(Outcome::kSkipped))) {
      result = Skipped("needs " + std::string(DefinitionOf(*definition.needs).name));
    } else if (!hung.empty() && definition.calls_study) {
      result = Skipped("the module hung in " + hung);
    } else {
      const CheckRun ran = RunCheck(definition, settings, seed);
      result = ran.result;
      if (ran.timed_out && hung.empty()) hung = definition.name;
    }
    outcomes[static_cast<std::size_t>(check)] = result.outcome;
    ++counts[static_cast<int>(result.outcome)];
    WriteOutput(kReportColumns.Row(
        {OutcomeName(result.outcome), std::string(definition.name), Escaped(result.detail)}));
    FlushOutput();
  }
  WriteOutput(Summary(counts));
  return counts[static_cast<int>(Outcome::kFailed)] > 0 ? kExitChecksFailed : kExitSuccess;
}

// Each check's body, listed in the checks' order.
struct CheckBody {
  Check check;
  CheckResult (*run)(const CheckContext& context);
};
constexpr CheckBody kBodies[] = {
    {Check::kModuleLoads, &CheckModuleLoads},
    {Check::kExportsResolve, &CheckExportsResolve},
    {Check::kInterfaceVersion, &CheckInterfaceVersion},
    {Check::kModuleName, &CheckModuleName},
    {Check::kDeclaresStudy, &CheckDeclaresStudy},
    {Check::kFloatingPointState, &CheckFloatingPointState},
    {Check::kRecordUntouched, &CheckRecordUntouched},
    {Check::kMissingHostServices, &CheckMissingHostServices},
    {Check::kHeapCalls, &CheckHeapCalls},
    {Check::kHeapBalance, &CheckHeapBalance},
    {Check::kThreadsAndState, &CheckThreadsAndState},
    {Check::kEdgePositions, &CheckEdgePositions},
    {Check::kScaleOutSweep, &CheckScaleOutSweep},
    {Check::kRandomizedCalls, &CheckRandomizedCalls},
    {Check::kLongRun, &CheckLongRun},
};

constexpr bool BodiesInCheckOrder() {
  if (std::size(kBodies) != std::size(kChecks)) return false;
  for (std::size_t index = 0; index < std::size(kBodies); ++index) {
    if (static_cast<std::size_t>(kBodies[index].check) != index) return false;
  }
  return true;
}
static_assert(BodiesInCheckOrder(), "one body for each check, in the checks' order");

CheckResult RunCheckBody(Check check, const CheckContext& context) {
  return kBodies[static_cast<std::size_t>(check)].run(context);
}

void RunCheckInChild(const ValidateSettings& settings, const ChannelWriter& channel) {
  if (settings.checks.size() != 1) throw ToolError(kExitUsage, "a child runs one check");
  const CheckDefinition& check = DefinitionOf(settings.checks.front());
  ModuleSession session(
      [&channel](const std::string& phase) { channel.Send(FrameKind::kPhase, phase); });
  const CheckContext context{settings.module_path,
                             settings.seed.value_or(0),
                             settings.random_calls,
                             &session,
                             judge::CurrentFloatingPointState(),
                             ThreadsInProcess()};
  const std::string reason =
      check.calls_study ? session.Load(settings.module_path, LoadDepth::kExports) : "";
  CheckResult result = reason.empty() ? RunCheckBody(check.check, context) : Failed(reason);
  const std::string threads = ThreadsLeftBy(context, "after the check");
  const bool passing = result.outcome == Outcome::kPassed || result.outcome == Outcome::kWarning;
  if (passing && !threads.empty()) result = Failed(threads);
  // A failure is sent before the module is unloaded, so a module that
  // crashes then cannot hide it; a pass only after a clean unload.
  const bool failed = result.outcome == Outcome::kFailed;
  if (failed) channel.Send(FrameKind::kResult, EncodeResult(result));
  session.Unload();
  if (!failed) channel.Send(FrameKind::kResult, EncodeResult(result));
}
