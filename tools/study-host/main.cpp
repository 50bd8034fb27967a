// study-host: describe, replay and validate a study module outside the
// trading host. The tool never runs the module's code itself: each command
// runs it in a child process (this program again, with a channel to report
// on), so a module that crashes or hangs ends with a documented exit code
// and one line saying what happened. See 'study-host --help'.
#include <exception>
#include <new>
#include <string>
#include <variant>
#include <vector>

#include "tools/study-host/command_line.h"
#include "tools/study-host/common/console_window.h"
#include "tools/study-host/common/interruption.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/standard_streams.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/session/module_path.h"
#if defined(_WIN32)
#include "tools/study-host/common/wide_text.h"
#endif
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/sandbox/child_report.h"

namespace {

// What went wrong on the tool's own side, from the exception being handled.
std::string OwnFailure() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "the tool ran out of memory";
  } catch (const std::exception& error) {
    return std::string("internal error in the tool: ") + error.what();
  } catch (...) {
    return "internal error in the tool";
  }
}

// In a child: does the command's work and reports on the channel. Prints
// nothing: standard output and error belong to the module.
int RunAsChild(const std::vector<std::string>& arguments, const ChannelWriter& channel) {
  EndProcessOnCrash(channel);
  try {
    const ParsedCommandLine parsed = ParseCommandLine(arguments, CommandLineOf::kChild);
    if (!parsed.command) throw ToolError(kExitUsage, "a child has work to do");
    // Each command's settings pick its own RunInChild: a command without one
    // does not compile.
    std::visit([&channel](const auto& settings) { RunInChild(settings, channel); },
               *parsed.command);
  } catch (const ToolError& error) {
    SendError(channel, error.code(), error.what());
  } catch (...) {  // the module's own exceptions are ToolErrors by now
    SendError(channel, kExitToolFailure, OwnFailure());
  }
  return channel.lost() ? kChildLostItsChannel : kExitSuccess;
}

// Double-clicked in Explorer, the tool has a window of its own that closes
// as soon as it ends: the usage stays until a key is pressed.
void KeepUsageOnScreen() {
  const std::string module = kModuleBesideTool;
  HoldConsoleOfItsOwn(
      "\nstudy-host works in a command window. To open one in this folder: click the "
      "address bar of File Explorer, type cmd and press Enter. Then type, for example:\n\n"
      "  study-host.exe describe " +
      module +
      "\n\nREADME.txt, in this folder, says more.\n\n"
      "Press any key to close this window.\n");
}

// In the tool: runs the command, each in its children.
int RunTool(const std::vector<std::string>& arguments) {
  PrepareToolProcess();  // before any output: a closed pipe is exit 5, even for --help
  RefuseClosedOutput();  // before anything is done: its output would reach no one
  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  if (!parsed.command) {
    WriteOutput(parsed.text);
    FlushOutput();
    if (arguments.empty()) KeepUsageOnScreen();
    return kExitSuccess;
  }
  const int code =
      std::visit([&arguments](const auto& settings) { return RunInTool(settings, arguments); },
                 *parsed.command);
  FlushOutput();
  return code;
}

}  // namespace

// On Windows the wide entry point (linked with -municode): any path reaches
// the tool whole, whatever the code page, and no library beyond the C
// runtime's is loaded to split the command line (a process starts sooner).
#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
  TakeStandardStreams();  // before any file is opened, so none takes a closed stream's place
  const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
#else
int main(int argc, char** argv) {
  TakeStandardStreams();  // before any file is opened, so none takes a closed stream's place
  const std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
  try {
    if (const auto channel = TakeChannelOfThisChild()) {
      return RunAsChild(arguments, ChannelWriter(channel->report, channel->secret));
    }
    return RunTool(arguments);
  } catch (const ToolError& error) {
    ReportError(error.what());
    return error.code();
  } catch (const Interruption& interruption) {
    ReportError("stopped by " + interruption.how +
                " before it finished; no file was left half-written");
    return interruption.exit_code;
  } catch (...) {
    ReportError(OwnFailure());
    return kExitToolFailure;
  }
}
