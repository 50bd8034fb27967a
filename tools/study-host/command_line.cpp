#include "command_line.h"

#include <charconv>

#include "text_parsing.h"
#include "tool_error.h"

namespace {

// Command name used to run one validation check in a child process.
constexpr const char* kRunCheckCommand = "__run-check";

[[noreturn]] void Usage(const std::string& message) {
  throw ToolError(kExitUsage, message + " (see 'study-host --help')");
}

class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}
  bool done() const { return next_ >= arguments_.size(); }
  const std::string& Take() { return arguments_[next_++]; }
  // The value of an option given as "--name value" or "--name=value".
  std::string ValueOf(const std::string& option, const std::string& argument) {
    const auto equals = argument.find('=');
    if (equals != std::string::npos) return argument.substr(equals + 1);
    if (done()) Usage(option + " needs a value");
    return Take();
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
};

std::string OptionName(const std::string& argument) {
  return argument.substr(0, argument.find('='));
}

InputSetting ParseSetting(const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    Usage("--set takes NAME=VALUE, got '" + text + "'");
  }
  return {text.substr(0, equals), text.substr(equals + 1)};
}

std::uint64_t ParseSeed(const std::string& text) {
  std::uint64_t seed = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    Usage("--seed takes a whole number from 0 to 18446744073709551615, got '" + text + "'");
  }
  return seed;
}

Command ParseCommand(const std::string& name) {
  if (name == "describe") return Command::kDescribe;
  if (name == "replay") return Command::kReplay;
  if (name == "validate") return Command::kValidate;
  if (name == kRunCheckCommand) return Command::kRunCheck;
  if (name == "help" || name == "--help" || name == "-h") return Command::kHelp;
  Usage("unknown command '" + name + "'");
}

// Options valid for `command`; anything else is refused.
void ReadOption(Command command, const std::string& argument, ArgumentReader& reader,
                CommandLine& line) {
  const std::string option = OptionName(argument);
  const bool replay = command == Command::kReplay;
  const bool validates = command == Command::kValidate || command == Command::kRunCheck;
  if (replay && option == "--set") {
    line.settings.push_back(ParseSetting(reader.ValueOf(option, argument)));
  } else if (replay && option == "--positions") {
    if (line.position_list) Usage("--positions given twice");
    line.position_list = reader.ValueOf(option, argument);
  } else if (replay && option == "--file") {
    if (line.session_file) Usage("--file given twice");
    line.session_file = reader.ValueOf(option, argument);
  } else if (replay && argument == "--host-call-flag") {
    line.host_call_flag = true;
  } else if (replay && argument == "--json") {
    line.json = true;
  } else if (validates && option == "--seed") {
    line.seed = ParseSeed(reader.ValueOf(option, argument));
  } else if (validates && option == "--calls") {
    const auto calls = ParseWholeNumber(reader.ValueOf(option, argument));
    if (!calls || *calls < 1) Usage("--calls takes a whole number of at least 1");
    line.random_calls = *calls;
  } else {
    Usage("unknown option '" + option + "' for this command");
  }
}

void CheckComplete(const CommandLine& line) {
  if (line.command == Command::kHelp) return;
  if (line.module_path.empty()) Usage("name the module to load");
  if (line.command == Command::kRunCheck && line.check_name.empty()) Usage("name the check");
  if (line.command == Command::kReplay) {
    if (line.position_list && line.session_file) Usage("give --positions or --file, not both");
    if (!line.position_list && !line.session_file)
      Usage("give the positions: --positions or --file");
  }
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  ArgumentReader reader(arguments);
  if (reader.done()) Usage("name a command");
  line.command = ParseCommand(reader.Take());
  std::vector<std::string> operands;
  while (!reader.done()) {
    const std::string& argument = reader.Take();
    if (line.command == Command::kHelp) Usage("help takes no arguments");
    if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      ReadOption(line.command, argument, reader, line);
    } else {
      operands.push_back(argument);
    }
  }
  const std::size_t expected_operands = line.command == Command::kRunCheck ? 2 : 1;
  if (line.command != Command::kHelp && operands.size() > expected_operands) {
    Usage("unexpected argument '" + operands[expected_operands] + "'");
  }
  if (line.command == Command::kRunCheck && !operands.empty()) {
    line.check_name = operands.front();
    operands.erase(operands.begin());
  }
  if (!operands.empty()) line.module_path = operands.front();
  CheckComplete(line);
  return line;
}

std::string UsageText() {
  return R"(usage: study-host COMMAND MODULE [options]

Loads a study module (.so, or .dll in the Windows build) as the trading host
does and drives it through a stand-in host.

commands:
  describe MODULE
      Print the module's name, interface version, display name, description
      and declared inputs.
  replay MODULE [--set NAME=VALUE]... (--positions LIST | --file CSV)
                [--host-call-flag] [--json]
      Make the defaults call, apply the input settings by name (whole
      numbers; yes/no inputs also take yes/no), then one ordinary call per
      position, and print the order quantity written at each step.
      LIST is comma-separated, e.g. 0,3,-3,0. CSV has a header row with a
      'position' column; lines starting with # are comments.
  validate MODULE [--seed N] [--calls N]
      Run named checks, each in a child process, and report each as passed,
      failed or skipped. --seed repeats a randomized run; --calls sets its
      number of calls (default 3000).

exit codes:
  0  success
  1  validate: at least one check failed
  2  bad command line, input setting or position list
  3  module not found or not loadable, missing export, wrong interface version
  4  session file unreadable or malformed
)";
}
