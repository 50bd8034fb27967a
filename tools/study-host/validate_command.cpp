#include "validate_command.h"

#include <map>
#include <random>

#include "host/study_module.h"
#include "module_child.h"
#include "module_loading.h"
#include "output.h"
#include "text_parsing.h"
#include "tool_error.h"
#include "validation_checks.h"

namespace {

// Column widths of the report, which is printed as the checks end.
constexpr std::size_t kResultWidth = 9;
constexpr std::size_t kCheckWidth = 23;

std::uint64_t FreshSeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

std::string Row(const std::string& result, const std::string& check, const std::string& detail) {
  return result + std::string(kResultWidth - result.size(), ' ') + check +
         std::string(check.size() + 2 > kCheckWidth ? 2 : kCheckWidth - check.size(), ' ') +
         Escaped(detail) + "\n";
}

std::optional<CheckResult> ParseResult(const std::string& payload) {
  const auto tab = payload.find('\t');
  if (tab == std::string::npos) return std::nullopt;
  const std::string outcome = payload.substr(0, tab);
  for (Outcome known : {Outcome::kPassed, Outcome::kWarning, Outcome::kFailed, Outcome::kSkipped}) {
    if (outcome == OutcomeName(known)) return CheckResult{known, payload.substr(tab + 1)};
  }
  return std::nullopt;
}

// The check's result as its child reported it, held against how the child
// ended and what the module wrote on the child's output.
CheckResult Judge(const ModuleChildReport& report) {
  const ChildRun& run = report.run;
  const bool ended_cleanly = run.started && !run.timed_out && !run.crashed && run.exit_code == 0;
  std::optional<CheckResult> result;
  if (report.result && ended_cleanly && !report.malformed) result = ParseResult(*report.result);
  if (!result) {
    result = Failed(HowItEnded(report));
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

CheckRun RunCheck(const CheckDefinition& check, const CommandLine& line, std::uint64_t seed) {
  const int limit = line.timeout_seconds.value_or(check.timeout_seconds);
  const ModuleChildReport report =
      RunModuleChild({"validate", line.module_path, "--seed", std::to_string(seed), "--calls",
                      std::to_string(line.random_calls), kCheckOption, check.name},
                     limit, TimeLimit::kWholeRun, [](const Frame&) {});
  return {Judge(report), report.run.timed_out};
}

bool Usable(Outcome outcome) {
  return outcome == Outcome::kPassed || outcome == Outcome::kWarning;
}

}  // namespace

int ValidateModule(const CommandLine& line) {
  CheckModuleFile(line.module_path);
  const std::uint64_t seed = line.seed.value_or(FreshSeed());
  WriteOutput("validate " + Escaped(line.module_path) + " (seed " + std::to_string(seed) + ")\n");
  WriteOutput(Row("result", "check", "detail"));
  FlushOutput();
  std::map<std::string, Outcome> outcomes;
  std::map<Outcome, int> counts;
  std::string hung;  // the first check that did not finish in time
  for (const CheckDefinition& check : ValidationChecks()) {
    CheckResult result;
    if (check.needs != nullptr && !Usable(outcomes[check.needs])) {
      result = Skipped(std::string("needs ") + check.needs);
    } else if (!hung.empty() && check.calls_study) {
      result = Skipped("the module hung in " + hung);
    } else {
      const CheckRun run = RunCheck(check, line, seed);
      result = run.result;
      if (run.timed_out && hung.empty()) hung = check.name;
    }
    outcomes[check.name] = result.outcome;
    ++counts[result.outcome];
    WriteOutput(Row(OutcomeName(result.outcome), check.name, result.detail));
    FlushOutput();
  }
  std::string summary = std::to_string(counts[Outcome::kPassed]) + " passed, ";
  if (counts[Outcome::kWarning] > 0) {
    summary += std::to_string(counts[Outcome::kWarning]) + " with a warning, ";
  }
  summary += std::to_string(counts[Outcome::kFailed]) + " failed";
  if (counts[Outcome::kSkipped] > 0) {
    summary += ", " + std::to_string(counts[Outcome::kSkipped]) + " skipped";
  }
  WriteOutput(summary + "\n");
  return counts[Outcome::kFailed] > 0 ? kExitChecksFailed : kExitSuccess;
}

void RunCheckInChild(const CommandLine& line, const ChannelWriter& channel) {
  const CheckDefinition* check = FindCheck(line.check_name);
  if (check == nullptr) throw ToolError(kExitUsage, "unknown check '" + line.check_name + "'");
  CheckContext context{line.module_path, {line.seed.value_or(0), line.random_calls}};
  context.phase = [&channel](const std::string& phase) { channel.Send(FrameKind::kPhase, phase); };
  StudyModule module;
  CheckResult result;
  if (check->calls_study) {
    context.phase("loading the module");
    std::string reason;
    if (LoadStudyModule(line.module_path, module, reason) == ModuleLoadError::kNone) {
      context.module = &module;
    } else {
      result = Failed(reason);
    }
  }
  if (!check->calls_study || context.module != nullptr) result = check->run(context);
  context.phase("unloading the module");
  module.library.Close();
  channel.Send(FrameKind::kResult, std::string(OutcomeName(result.outcome)) + "\t" + result.detail);
}
