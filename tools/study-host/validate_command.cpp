#include "validate_command.h"

#include <cstdio>
#include <map>

#include "child_process.h"
#include "host/study_module.h"
#include "text_table.h"
#include "tool_error.h"
#include "validation_checks.h"

namespace {

constexpr int kCheckTimeoutSeconds = 300;

// The child's result line: "<outcome>\t<detail>".
std::string ResultLine(const CheckResult& result) {
  return std::string(OutcomeName(result.outcome)) + "\t" + result.detail + "\n";
}

CheckResult ParseResultLine(const std::string& output) {
  const auto tab = output.find('\t');
  const auto end = output.find('\n', tab == std::string::npos ? 0 : tab);
  if (tab != std::string::npos && end != std::string::npos) {
    const std::string outcome = output.substr(0, tab);
    const std::string detail = output.substr(tab + 1, end - tab - 1);
    if (outcome == "passed") return Passed(detail);
    if (outcome == "failed") return Failed(detail);
    if (outcome == "skipped") return Skipped(detail);
  }
  return Failed("ended without a result");
}

CheckResult RunCheckInChild(const CheckDefinition& check, const std::string& path,
                            std::uint64_t seed, std::int32_t random_calls) {
  const ChildOutcome child =
      RunThisProgram({"__run-check", check.name, path, "--seed", std::to_string(seed), "--calls",
                      std::to_string(random_calls)},
                     kCheckTimeoutSeconds);
  if (!child.started) return Failed(child.failure);
  if (child.timed_out) {
    return Failed("did not finish within " + std::to_string(kCheckTimeoutSeconds) + " s");
  }
  if (child.crashed) return Failed("crashed: " + child.failure);
  if (child.exit_code != 0) {
    return Failed("ended with exit code " + std::to_string(child.exit_code) + " without a result");
  }
  return ParseResultLine(child.output);
}

}  // namespace

ValidateReport ValidateModule(const std::string& path, std::uint64_t seed,
                              std::int32_t random_calls) {
  {
    // A file the loader refuses leaves nothing to validate.
    DynamicLibrary library;
    std::string reason;
    if (!library.Open(path, reason))
      throw ToolError(kExitModule, "cannot load '" + path + "': " + reason);
  }
  ValidateReport report;
  report.text = "validate " + path + " (seed " + std::to_string(seed) + ")\n";
  std::map<std::string, Outcome> outcomes;
  TextTable table({"result", "check", "detail"});
  int passed = 0;
  int skipped = 0;
  for (const CheckDefinition& check : ValidationChecks()) {
    CheckResult result;
    if (check.needs != nullptr && outcomes[check.needs] != Outcome::kPassed) {
      result = Skipped(std::string("needs ") + check.needs);
    } else {
      result = RunCheckInChild(check, path, seed, random_calls);
    }
    outcomes[check.name] = result.outcome;
    passed += result.outcome == Outcome::kPassed ? 1 : 0;
    report.failed += result.outcome == Outcome::kFailed ? 1 : 0;
    skipped += result.outcome == Outcome::kSkipped ? 1 : 0;
    table.AddRow({OutcomeName(result.outcome), check.name, result.detail});
  }
  report.text += table.Render();
  report.text += std::to_string(passed) + " passed, " + std::to_string(report.failed) + " failed" +
                 (skipped > 0 ? ", " + std::to_string(skipped) + " skipped" : "") + "\n";
  return report;
}

int RunCheckInThisProcess(const std::string& check_name, const std::string& path,
                          std::uint64_t seed, std::int32_t random_calls) {
  EndProcessOnCrash();
  const CheckDefinition* check = FindCheck(check_name);
  if (check == nullptr) throw ToolError(kExitUsage, "unknown check '" + check_name + "'");
  StudyModule module;
  std::string reason;
  CheckContext context{path, {seed, random_calls}};
  CheckResult result;
  if (!check->calls_study) {
    result = check->run(context);
  } else if (LoadStudyModule(path, module, reason) == ModuleLoadError::kNone) {
    context.module = &module;
    result = check->run(context);
  } else {
    result = Failed(reason);
  }
  std::fputs(ResultLine(result).c_str(), stdout);
  std::fflush(stdout);
  return kExitSuccess;
}
