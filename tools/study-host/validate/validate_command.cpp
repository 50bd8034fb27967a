#include "tools/study-host/validate/validate_command.h"

#include <algorithm>
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
#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/sandbox/own_output.h"
#include "tools/study-host/sandbox/working_folder.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"
#include "tools/study-host/validate/call_checks.h"
#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"
#include "tools/study-host/validate/state_checks.h"

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
    result = Failed("left a process running after the check ended (the study starts none)");
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
                          std::uint64_t seed, bool& timed_out) {
  const int calls_time =
      check.body == &CheckRandomizedCalls ? settings.random_calls / kRandomCallsPerSecond : 0;
  const int limit = settings.timeout_seconds.value_or(check.timeout_seconds) + calls_time;
  CheckFolders folders(settings.module_path);
  // The child works in an empty folder of its own, on its own copy of the
  // module.
  const ChildReport report = RunReportingChild(
      {"validate", Utf8FromPath(folders.module_copy), "--seed", std::to_string(seed), "--calls",
       std::to_string(settings.random_calls), kChildCheckOption, std::string(check.name)},
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
                  std::uint64_t seed) {
  const auto processes = static_cast<std::size_t>(check.processes_at_once);
  std::vector<CheckResult> results(processes);
  std::vector<char> timed_out(processes, 0);
  std::exception_ptr failure;
  std::mutex failure_mutex;
  const auto run_one = [&](std::size_t index) {
    try {
      bool out = false;
      results[index] = RunCheckChild(check, settings, seed, out);
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

}  // namespace

int RunInTool(const ValidateSettings& settings, const std::vector<std::string>& /*arguments*/) {
  if (settings.list) return ListChecks();
  CheckModuleFile(settings.module_path, settings.module_named);
  const std::uint64_t seed = settings.seed.value_or(FreshSeed());
  WriteOutput("validate " + Escaped(settings.module_path) + " (seed " + std::to_string(seed) +
              ")\n");
  const ColumnLayout columns = ReportColumns();
  WriteOutput(columns.Row({"result", "check", "detail"}));
  FlushOutput();
  std::vector<std::optional<Outcome>> outcomes(AllChecks().size());
  int counts[4] = {};
  std::string hung;  // the first check that did not finish in time
  for (const CheckDefinition* check : ChecksToRun(settings)) {
    CheckResult result;
    const CheckDefinition* needed = NeededBy(*check);
    if (LeftOut(settings, *check)) {
      result = Skipped("left out with --skip");
    } else if (needed && !Usable(outcomes[IndexOf(*needed)].value_or(Outcome::kSkipped))) {
      result = Skipped("needs " + std::string(needed->name));
    } else if (!hung.empty() && check->calls_study) {
      result = Skipped("the module hung in " + hung);
    } else {
      const CheckRun ran = RunCheck(*check, settings, seed);
      result = ran.result;
      if (ran.timed_out && hung.empty()) hung = check->name;
    }
    outcomes[IndexOf(*check)] = result.outcome;
    ++counts[static_cast<int>(result.outcome)];
    WriteOutput(columns.Row(
        {OutcomeName(result.outcome), std::string(check->name), Escaped(result.detail)}));
    FlushOutput();
  }
  WriteOutput(Summary(counts));
  return counts[static_cast<int>(Outcome::kFailed)] > 0 ? kExitChecksFailed : kExitSuccess;
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
  const CheckContext context{settings.module_path,
                             settings.seed.value_or(0),
                             settings.random_calls,
                             &session,
                             judge::CurrentFloatingPointState(),
                             ThreadsInProcess(),
                             OwnOutputBytes(),
                             CensusWithFloatingPointState()};
  const std::string reason =
      check.calls_study ? session.Load(settings.module_path, LoadDepth::kExports) : "";
  CheckResult result;
  try {
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
