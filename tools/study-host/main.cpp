// study-host: describe, replay and validate a study module outside the
// trading host. The tool never runs the module's code itself: each command
// runs it in a child process (this program again, with a channel to report
// on), so a module that crashes or hangs ends with a documented exit code
// and one line saying what happened. See 'study-host --help'.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "channel.h"
#include "command_line.h"
#include "describe_command.h"
#include "module_child.h"
#include "module_loading.h"
#include "output.h"
#include "replay_command.h"
#include "session_positions.h"
#include "text_parsing.h"
#include "tool_error.h"
#include "validate_command.h"

namespace {

// Seconds describe and replay give the module to finish one call.
constexpr int kDefaultCallSeconds = 10;

void ReportError(const std::string& message) {
  std::fprintf(stderr, "study-host: %s\n", Escaped(message).c_str());
}

// Turns an error frame ("<exit code>\t<message>") back into the error.
[[noreturn]] void Rethrow(const std::string& payload) {
  const auto tab = payload.find('\t');
  const ParsedWholeNumber code = ParseWholeNumber(payload.substr(0, tab), 1, kExitOutput);
  if (tab == std::string::npos || !code.problem.empty()) {
    throw ToolError(kExitModule, "the child reported an error it could not name");
  }
  throw ToolError(static_cast<ExitCode>(code.value), payload.substr(tab + 1));
}

// describe and replay: the command runs in a child; what it prints is
// passed on as it comes.
int RunCommandInChild(const std::vector<std::string>& arguments, const CommandLine& line) {
  if (line.position_list) ParsePositionList(*line.position_list);  // a usage error needs no child
  CheckModuleFile(line.module_path);
  const int limit = line.timeout_seconds.value_or(kDefaultCallSeconds);
  const ModuleChildReport report =
      RunModuleChild(arguments, limit, TimeLimit::kBetweenReports,
                     [](const Frame& frame) { WriteOutput(frame.payload); });
  FlushOutput();
  if (report.error) Rethrow(*report.error);
  const ChildRun& run = report.run;
  if (!report.done || run.timed_out || run.crashed || run.exit_code != 0 || report.malformed) {
    throw ToolError(kExitModule, "the module " + HowItEnded(report));
  }
  if (run.left_processes) {
    throw ToolError(kExitModule, "the module left a process running (the study starts none)");
  }
  const std::string note = ModuleOutputNote(run);
  if (!note.empty()) ReportError("warning: " + note);
  return kExitSuccess;
}

// In a child: does the command's work and reports on the channel. Prints
// nothing: standard output and error belong to the module.
int RunAsChild(const CommandLine& line) {
  EndProcessOnCrash();
  const ChannelWriter channel(*line.channel);
  try {
    switch (line.command) {
      case Command::kDescribe:
        DescribeInChild(line.module_path, channel);
        break;
      case Command::kReplay:
        ReplayInChild(line, channel);
        break;
      case Command::kValidate:
        RunCheckInChild(line, channel);
        break;
    }
  } catch (const ToolError& error) {
    channel.Send(FrameKind::kError, std::to_string(error.code()) + "\t" + error.what());
  } catch (const std::exception& error) {  // out of memory, or a host service's exception
    channel.Send(FrameKind::kError, std::to_string(kExitModule) + "\t" + Escaped(error.what()));
  }
  return kExitSuccess;
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  if (!parsed.line) {
    WriteOutput(parsed.text);
    FlushOutput();
    return kExitSuccess;
  }
  const CommandLine& line = *parsed.line;
  if (line.channel) return RunAsChild(line);
  PrepareToolProcess();
  const int code = line.command == Command::kValidate ? ValidateModule(line)
                                                      : RunCommandInChild(arguments, line);
  FlushOutput();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const ToolError& error) {
    ReportError(error.what());
    return error.code();
  } catch (const std::bad_alloc&) {
    ReportError("out of memory");
    return kExitUsage;
  } catch (const std::exception& error) {
    ReportError(error.what());
    return kExitModule;
  }
}
