#include "tools/study-host/validate/validate_command.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "host/callback_routes.h"
#include "host/capability_calls.h"
#include "host/host_thread.h"
#include "host/system_call_watch.h"
#include "host/thread_census.h"
#include "host/thread_with_stack.h"
#include "judge/known_rules.h"
#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/common/whole_file.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/sandbox/own_output.h"
#include "tools/study-host/sandbox/working_folder.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"
#include "tools/study-host/validate/call_checks.h"
#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"
#include "tools/study-host/validate/loading_checks.h"
#include "tools/study-host/validate/state_checks.h"
#include "tools/study-host/validate/validate_report.h"

namespace {

// The report's columns, printed as the checks end: result, check (as wide
// as the longest name, two blanks after it), detail.
ColumnLayout ReportColumns() {
  std::size_t longest = 0;
  for (const CheckDefinition& check : AllChecks()) longest = std::max(longest, check.name.size());
  return ColumnLayout({9, longest + 2});
}

std::uint64_t FreshSeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

// "the file 'a'", "the files 'a', 'b' and 2 more".
std::string FilesNamed(const std::vector<std::string>& files) {
  std::string named;
  const std::size_t shown = files.size() < 4 ? files.size() : 3;
  for (std::size_t index = 0; index < shown; ++index) {
    named += (index == 0 ? "'" : ", '") + Escaped(files[index]) + "'";
  }
  if (files.size() > shown) named += " and " + std::to_string(files.size() - shown) + " more";
  return (files.size() == 1 ? "the file " : "the files ") + named;
}

// What a check's child has of its own, as a host's machine has it: the
// module alone in a folder (a copy), and a temporary folder; both looked
// into once it ended, and removed with whatever it left there.
struct CheckFolders {
  WorkingFolder module_folder;
  WorkingFolder temporary;
  std::filesystem::path module_copy;
  std::vector<std::string> beside_module;  // what was made beside the module, once it ended
  std::vector<std::string> in_temporary;   // and in the temporary folder

  explicit CheckFolders(const std::string& module) {
    if (module_folder.path().empty() || temporary.path().empty()) {
      throw ToolError(kExitToolFailure,
                      "cannot make a folder in the temporary folder: set TMPDIR (on Windows "
                      "TMP and TEMP) to a folder that exists and can be written");
    }
    module_copy = module_folder.path() / PathFromUtf8(FileNameOf(module));
    if (!CopyFileTo(module, module_copy)) {
      throw ToolError(kExitToolFailure, "cannot copy the module into " +
                                            Utf8FromPath(module_folder.path()) +
                                            ": is the temporary folder full?");
    }
  }

  void LookInside() {
    beside_module = module_folder.Contents();
    std::erase(beside_module, Utf8FromPath(module_copy.filename()));
    in_temporary = temporary.Contents();
  }
};

// The environment of a check's child: the temporary folder its own, and no
// library reachable but the system's.
std::vector<std::pair<std::string, std::optional<std::string>>> CheckEnvironment(
    const CheckFolders& folders) {
  const std::string temporary = Utf8FromPath(folders.temporary.path());
#if defined(_WIN32)
  return {{"TMP", temporary}, {"TEMP", temporary}, {"PATH", SystemFoldersOnly()}};
#else
  return {{"TMPDIR", temporary}, {"LD_LIBRARY_PATH", std::nullopt}, {"LD_PRELOAD", std::nullopt}};
#endif
}

// The check's result as its child reported it, held against how the child
// ended and what the module wrote on the child's output.
CheckResult ResultOfChild(const ChildReport& report, const CheckFolders& folders) {
  const ChildRun& run = report.run;
  if (!run.started) throw ToolError(kExitToolFailure, run.start_failure);  // never the module's
  const bool ended_cleanly = run.started && !run.timed_out && !run.crashed && run.exit_code == 0;
  std::optional<CheckResult> result;
  if (report.result && !report.malformed) result = DecodeResult(*report.result);
  if (const std::optional<ToolError> error = ReportedError(report); error && !result) {
    // The tool's own failure is never the module's; any other ends the check.
    if (error->code() == kExitToolFailure) throw *error;
    result = Failed(error->what());
  }
  // A pass counts only from a child that ended cleanly; a failure it found
  // stands however the child ended after it (a module that crashes when
  // unloaded, say).
  if (result && result->outcome != Outcome::kFailed && !ended_cleanly) result.reset();
  if (!result) {
    result = Failed(HowItEnded(report, PhaseOf(report)));
  } else if (run.left_processes) {
    // What the check found stands; the leftover process is said beside it.
    const char* const leftover =
        "left a process running after the check ended (the study starts none)";
    if (result->outcome == Outcome::kFailed) {
      result->detail += std::string("; it also ") + leftover;
    } else {
      result = Failed(leftover);
    }
  } else if (result->outcome != Outcome::kFailed) {
    const struct {
      const std::vector<std::string>& files;
      const char* where;
    } places[] = {{run.files_made, "in its working folder"},
                  {folders.beside_module, "beside itself"},
                  {folders.in_temporary, "in the temporary folder"}};
    for (const auto& place : places) {
      if (place.files.empty()) continue;
      result = Failed("made " + FilesNamed(place.files) + " " + place.where +
                      " (a study writes no files; they were removed)");
      break;
    }
  }
  // A check that failed for logging has quoted the output already.
  const bool logged = result->detail.rfind(kLoggedPrefix, 0) == 0;
  const std::string note = logged ? "" : ModuleOutputNote(run);
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

CheckResult RunCheckChild(const CheckDefinition& check, const ValidateSettings& settings,
                          const std::string& study, std::uint64_t seed, bool& timed_out) {
  const int calls_time =
      check.body == &CheckRandomizedCalls ? settings.random_calls / kRandomCallsPerSecond : 0;
  const int limit = settings.timeout_seconds.value_or(check.timeout_seconds) + calls_time;
  CheckFolders folders(settings.module_path);
  // The child works in an empty folder of its own, on its own copy of the
  // module.
  std::vector<std::string> arguments{"validate",        Utf8FromPath(folders.module_copy),
                                     "--seed",          std::to_string(seed),
                                     "--calls",         std::to_string(settings.random_calls),
                                     kChildCheckOption, std::string(check.name)};
  if (!study.empty()) arguments.insert(arguments.end(), {"--study", study});
  const ChildReport report = RunReportingChild(arguments,
                                               ChildTerms{.limit_seconds = limit,
                                                          .limit = TimeLimit::kWholeRun,
                                                          .own_working_folder = true,
                                                          .environment = CheckEnvironment(folders)},
                                               [](const std::vector<Frame>&) {});
  folders.LookInside();
  timed_out = report.run.timed_out;
  return ResultOfChild(report, folders);
}

// The check in one child, or in as many at the same time as it asks for
// (two hosts running at once): the first failure stands, said to be one of
// them.
CheckRun RunCheck(const CheckDefinition& check, const ValidateSettings& settings,
                  const std::string& study, std::uint64_t seed) {
  const auto processes = static_cast<std::size_t>(check.processes_at_once);
  std::vector<CheckResult> results(processes);
  std::vector<char> timed_out(processes, 0);
  std::exception_ptr failure;
  std::mutex failure_mutex;
  const auto run_one = [&](std::size_t index) {
    try {
      bool out = false;
      results[index] = RunCheckChild(check, settings, study, seed, out);
      timed_out[index] = out ? 1 : 0;
    } catch (...) {
      const std::lock_guard<std::mutex> lock(failure_mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  {
    std::vector<std::thread> others;
    for (std::size_t index = 1; index < processes; ++index) others.emplace_back(run_one, index);
    run_one(0);
    for (std::thread& other : others) other.join();
  }
  if (failure) std::rethrow_exception(failure);
  CheckRun run{results[0], false};
  for (std::size_t index = 0; index < processes; ++index) {
    run.timed_out = run.timed_out || timed_out[index] != 0;
  }
  if (processes == 1) return run;
  // Which of them fails first may be either (a guard one holds makes the
  // other do nothing): the first failure, said to be one of them.
  for (const CheckResult& result : results) {
    if (result.outcome != Outcome::kFailed) continue;
    run.result = Failed("in one of " + std::to_string(processes) +
                        " processes running it at once, " + result.detail);
    run.result.cause = result.cause;
    return run;
  }
  // Passing alike, they must also have done alike: one study's calls in two
  // processes at once give the same writes.
  for (const CheckResult& result : results) {
    if (result.evidence == results[0].evidence) continue;
    run.result = Failed(std::to_string(processes) +
                        " processes running it at once made the same calls and got other "
                        "writes (a study's call depends on its record alone, not on another "
                        "process)");
    break;
  }
  return run;
}

// The checks asked for and those they need; every check when none was.
std::vector<const CheckDefinition*> ChecksToRun(const ValidateSettings& settings) {
  if (!settings.checks.empty()) return WithNeededChecks(settings.checks);
  std::vector<const CheckDefinition*> all;
  for (const CheckDefinition& check : AllChecks()) all.push_back(&check);
  return all;
}

int ListChecks() {
  TextTable table({"check", "needs", "time limit", "what it covers"});
  for (const CheckDefinition& check : AllChecks()) {
    const CheckDefinition* needed = NeededBy(check);
    table.AddRow({std::string(check.name), needed ? std::string(needed->name) : "-",
                  std::to_string(check.timeout_seconds) + " s", std::string(check.description)});
  }
  WriteOutput(table.Render());
  return kExitSuccess;
}

bool LeftOut(const ValidateSettings& settings, const CheckDefinition& check) {
  for (const CheckDefinition* skipped : settings.skipped) {
    if (skipped == &check) return true;
  }
  return false;
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

// How errors name a results file.
WholeFileWords ReportWords(const std::string& option) {
  return {"the results", option, "another program"};
}

// The earlier failures, so a later check that meets the same cause says so
// briefly instead of repeating it.
class CausesMet {
 public:
  // `result`, its detail shortened when an earlier check met its cause.
  CheckResult Said(std::string_view check, CheckResult result) {
    if (result.outcome != Outcome::kFailed) return result;
    const std::string cause = result.cause.empty() ? result.detail : result.cause;
    for (const auto& [earlier_check, earlier_cause] : met_) {
      if (earlier_cause != cause) continue;
      const std::string where = Without(result.detail, cause);
      result.detail =
          "the same fault as in " + earlier_check + (where.empty() ? "" : " (" + where + ")");
      return result;
    }
    met_.emplace_back(std::string(check), cause);
    return result;
  }

 private:
  // `detail` without `cause`: where it was met ("ordinary call, flat").
  static std::string Without(const std::string& detail, const std::string& cause) {
    const std::size_t at = detail.find(cause);
    if (at == std::string::npos) return "";
    std::string rest = detail.substr(0, at) + detail.substr(at + cause.size());
    for (std::size_t twice; (twice = rest.find("  ")) != std::string::npos;) rest.erase(twice, 1);
    const std::size_t first = rest.find_first_not_of(":, ");
    const std::size_t last = rest.find_last_not_of(":, ");
    return first == std::string::npos ? "" : rest.substr(first, last - first + 1);
  }

  std::vector<std::pair<std::string, std::string>> met_;
};

// How a child that did not finish ended, as its cause: a crash's words
// ("crashed (signal 11, Segmentation fault)"), or an early end's ("ended
// with exit code 1 before finishing", as a sanitizer ends one), so a later
// check that ends the same way says so briefly.
void NoteCrashCause(CheckResult& result) {
  if (!result.cause.empty()) return;
  const std::size_t crashed = result.detail.find("crashed (");
  const std::size_t closed = result.detail.find(')', crashed);
  if (crashed != std::string::npos && closed != std::string::npos) {
    result.cause = result.detail.substr(crashed, closed + 1 - crashed);
    return;
  }
  constexpr std::string_view kEndedEarly = " before finishing";
  const std::size_t ended = result.detail.find("ended with exit code ");
  const std::size_t before = result.detail.find(kEndedEarly, ended);
  if (ended != std::string::npos && before != std::string::npos) {
    result.cause = result.detail.substr(ended, before + kEndedEarly.size() - ended);
  }
}

// The run of the checks, printing each row as it ends.
class ValidateRun {
 public:
  ValidateRun(const ValidateSettings& settings, std::uint64_t seed)
      : settings_(settings), seed_(seed), outcomes_(AllChecks().size()) {
    report_.module = settings.module_path;
    report_.seed = seed;
  }

  // The module's own checks, then, for each study function (the one asked
  // for, or each in turn), the checks of a study.
  void Run() {
    const std::vector<const CheckDefinition*> checks = ChecksToRun(settings_);
    RunScope(checks, "", /*module_level=*/true);
    const std::vector<std::string> studies = StudiesToJudge();
    for (const std::string& study : studies) {
      if (studies.size() > 1 && !settings_.quiet) WriteOutput("study " + study + "\n");
      std::fill(outcomes_.begin(), outcomes_.end(), std::nullopt);
      for (const CheckDefinition* check : checks) {
        if (check->scope == CheckScope::kModule)
          outcomes_[IndexOf(*check)] = module_outcomes_[IndexOf(*check)];
      }
      RunScope(checks, study, /*module_level=*/false);
    }
    if (studies.empty()) SkipStudyChecks(checks);
  }

  int counts(Outcome outcome) const { return counts_[static_cast<int>(outcome)]; }
  const int (&all_counts() const)[4] { return counts_; }
  const ValidateReport& report() const { return report_; }

 private:
  void RunScope(const std::vector<const CheckDefinition*>& checks, const std::string& study,
                bool module_level) {
    for (const CheckDefinition* check : checks) {
      if ((check->scope == CheckScope::kModule) != module_level) continue;
      if (check->scope == CheckScope::kOwnRule && !KnowsRuleOf(study) && settings_.checks.empty()) {
        continue;  // asked for by name, it says why it was skipped
      }
      const auto started = std::chrono::steady_clock::now();
      const CheckResult result = Result(*check, study);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
      report_.checks.push_back({study, std::string(check->name), result, took.count()});
      Print(*check, result);
    }
    if (module_level) module_outcomes_ = outcomes_;
  }

  CheckResult Result(const CheckDefinition& check, const std::string& study) {
    const CheckDefinition* needed = NeededBy(check);
    if (LeftOut(settings_, check)) return Skipped("left out with --skip");
    if (needed && !Usable(outcomes_[IndexOf(*needed)].value_or(Outcome::kSkipped))) {
      return Skipped("needs " + std::string(needed->name));
    }
    if (!hung_.empty() && check.calls_study) return Skipped("the module hung in " + hung_);
    const CheckRun ran = RunCheck(check, settings_, study, seed_);
    if (ran.timed_out && hung_.empty()) hung_ = check.name;
    if (check.body == &CheckExportsResolve) studies_found_ = ran.result.evidence;
    CheckResult result = ran.result;
    NoteCrashCause(result);
    return causes_.Said(check.name, result);
  }

  void Print(const CheckDefinition& check, const CheckResult& result) {
    outcomes_[IndexOf(check)] = result.outcome;
    ++counts_[static_cast<int>(result.outcome)];
    if (settings_.quiet && result.outcome != Outcome::kFailed) return;
    WriteOutput(columns_.Row(
        {OutcomeName(result.outcome), std::string(check.name), Escaped(result.detail)}));
    FlushOutput();
  }

  // The study functions exports-resolve found, the one asked for among them.
  std::vector<std::string> StudiesToJudge() const {
    std::vector<std::string> found;
    std::size_t start = 0;
    for (std::size_t end; (end = studies_found_.find('\n', start)) != std::string::npos;
         start = end + 1) {
      found.push_back(studies_found_.substr(start, end - start));
    }
    if (settings_.study.empty() || found.empty()) return found;
    for (const std::string& name : found) {
      if (name == settings_.study || name == kStudyFunctionPrefix + settings_.study) return {name};
    }
    std::string names;
    for (const std::string& name : found) names += (names.empty() ? "" : ", ") + name;
    throw ToolError(kExitUsage, "--study " + settings_.study +
                                    ": the module has no such study function; its study "
                                    "functions: " +
                                    names);
  }

  // Without a study function to judge, each check of a study is skipped.
  void SkipStudyChecks(const std::vector<const CheckDefinition*>& checks) {
    for (const CheckDefinition* check : checks) {
      if (check->scope == CheckScope::kStudy) {
        const CheckResult skipped = Skipped("needs exports-resolve");
        report_.checks.push_back({"", std::string(check->name), skipped, 0});
        Print(*check, skipped);
      }
    }
  }

  static bool KnowsRuleOf(const std::string& study) {
    return judge::KnownRuleFor(study) != nullptr;
  }

  const ValidateSettings& settings_;
  std::uint64_t seed_;
  const ColumnLayout columns_ = ReportColumns();
  std::vector<std::optional<Outcome>> outcomes_;
  std::vector<std::optional<Outcome>> module_outcomes_;
  int counts_[4] = {};
  std::string hung_;           // the first check that did not finish in time
  std::string studies_found_;  // exports-resolve's: a study function a line
  CausesMet causes_;
  ValidateReport report_;
};

}  // namespace

int RunInTool(const ValidateSettings& settings, const std::vector<std::string>& /*arguments*/) {
  if (settings.list) return ListChecks();
  CheckModuleFile(settings.module_path, settings.module_named);
  const std::uint64_t seed = settings.seed.value_or(FreshSeed());
  // Files that cannot be written are said before any check runs.
  std::optional<WholeFile> junit;
  std::optional<WholeFile> json;
  if (settings.junit_file) junit.emplace(*settings.junit_file, ReportWords("--junit"));
  if (settings.json_file) json.emplace(*settings.json_file, ReportWords("--json"));
  if (!settings.quiet) {
    WriteOutput("validate " + Escaped(settings.module_path) + " (seed " + std::to_string(seed) +
                ")\n");
    WriteOutput(ReportColumns().Row({"result", "check", "detail"}));
  }
  FlushOutput();
  ValidateRun run(settings, seed);
  run.Run();
  WriteOutput(Summary(run.all_counts()));
  if (junit) junit->Write(JUnitXml(run.report()));
  if (json) json->Write(ReportJson(run.report()));
  const bool warned = settings.fail_on_warning && run.counts(Outcome::kWarning) > 0;
  return run.counts(Outcome::kFailed) > 0 || warned ? kExitChecksFailed : kExitSuccess;
}

namespace {

// The phases after a check, which every host goes through once a module
// is gone: a crash in either is placed there, and told from one in the
// check itself.
constexpr char kEndOfCallingThread[] =
    "the end of the thread that called the module, after it was unloaded (a per-thread callback "
    "it left behind runs then)";
constexpr char kEndOfProcess[] =
    "the end of the process, after the module was unloaded (the exit handlers run then)";

// Runs the check in this child, on the thread it is given.
void RunCheckHere(const CheckDefinition& check, const ValidateSettings& settings,
                  const ChannelWriter& channel) {
  PrepareHostThread();
  PrepareThreadForCrash();
  PrepareCallbackRoutes();
  ModuleSession session(
      [&channel](const std::string& phase) { channel.Send(FrameKind::kPhase, phase); });
  const CheckContext context{
      settings.module_path,  settings.study,   settings.seed.value_or(0),
      settings.random_calls, &session,         judge::CurrentFloatingPointState(),
      ThreadsInProcess(),    OwnOutputBytes(), CensusWithFloatingPointState()};
  const std::string reason =
      check.calls_study ? session.Load(settings.module_path, LoadDepth::kExports, settings.study)
                        : "";
  CheckResult result;
  try {
    // The declaration is read here, on the check's own thread, before any
    // thread of the check's calls the study.
    if (reason.empty() && check.calls_study && check.scope != CheckScope::kModule) context.study();
    result = reason.empty() ? check.body(context) : Failed(reason);
    context.ThrowIfBeyondItsCalls();
  } catch (const BeyondItsCalls& beyond) {
    result = Failed(beyond.detail);
  }
  const std::string threads = ThreadsLeftBy(context, "after the check");
  const bool passing = result.outcome == Outcome::kPassed || result.outcome == Outcome::kWarning;
  if (passing && !threads.empty()) result = Failed(threads);
  // A failure is sent before the module is unloaded, so a module that
  // crashes then cannot hide it; a pass only after a clean unload.
  const bool failed = result.outcome == Outcome::kFailed;
  if (failed) channel.Send(FrameKind::kResult, EncodeResult(result));
  session.Unload();
  if (!failed) channel.Send(FrameKind::kResult, EncodeResult(result));
  channel.Send(FrameKind::kPhase, kEndOfCallingThread);
}

}  // namespace

void RunInChild(const ValidateSettings& settings, const ChannelWriter& channel) {
  if (settings.checks.size() != 1) throw ToolError(kExitUsage, "a child runs one check");
  capability_calls::RegisterHostThread();
  system_call_watch::Start();  // before any thread the check starts, which it then covers too
  // Every call of every check runs on a thread with a host's stack, so a
  // module whose stack grows with its input overflows here as in a host.
  std::exception_ptr failure;
  const bool ran = RunOnThreadWithStack(kHostThreadStackBytes, [&] {
    try {
      RunCheckHere(*settings.checks.front(), settings, channel);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (!ran) throw ToolError(kExitToolFailure, "cannot start a thread with a host's stack");
  if (failure) std::rethrow_exception(failure);
  channel.Send(FrameKind::kPhase, kEndOfProcess);
}
