// study-host: describe, replay and validate a study module outside the
// trading host. See UsageText() for the commands and exit codes.
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "command_line.h"
#include "describe_command.h"
#include "replay_command.h"
#include "session_positions.h"
#include "tool_error.h"
#include "validate_command.h"

namespace {

std::uint64_t FreshSeed() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

// Runs the command; all output is built first and written at the end, so an
// error never leaves a half-printed report.
int Run(const CommandLine& line) {
  switch (line.command) {
    case Command::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return kExitSuccess;
    case Command::kDescribe:
      std::fputs(DescribeModule(line.module_path).c_str(), stdout);
      return kExitSuccess;
    case Command::kReplay: {
      const std::vector<double> positions = line.session_file
                                                ? ReadSessionFile(*line.session_file)
                                                : ParsePositionList(*line.position_list);
      const auto steps = RunReplay(line.module_path, line.settings, positions, line.host_call_flag);
      const std::string out = line.json ? FormatReplayJson(steps) : FormatReplayTable(steps);
      std::fputs(out.c_str(), stdout);
      return kExitSuccess;
    }
    case Command::kValidate: {
      const ValidateReport report =
          ValidateModule(line.module_path, line.seed.value_or(FreshSeed()), line.random_calls);
      std::fputs(report.text.c_str(), stdout);
      return report.failed > 0 ? kExitChecksFailed : kExitSuccess;
    }
    case Command::kRunCheck:
      return RunCheckInThisProcess(line.check_name, line.module_path, line.seed.value_or(0),
                                   line.random_calls);
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Run(ParseCommandLine(arguments));
  } catch (const ToolError& error) {
    std::fprintf(stderr, "study-host: %s\n", error.what());
    return error.code();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "study-host: %s\n", error.what());
    return kExitModule;
  }
}
