// The study-host command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Command { kDescribe, kReplay, kValidate };

struct InputSetting {
  std::string name;   // the input's name as the module declares it
  std::string value;  // a whole number; yes/no inputs also take yes or no
};

// Hidden options with which the tool runs itself as a child: the channel it
// reports on, and (validate) the one check to run.
inline constexpr char kChannelOption[] = "--channel";
inline constexpr char kCheckOption[] = "--check";

struct CommandLine {
  Command command = Command::kDescribe;
  std::string module_path;
  // replay
  std::vector<InputSetting> settings;
  std::optional<std::string> position_list;
  std::optional<std::string> session_file;
  bool host_call_flag = false;
  bool json = false;
  // validate
  std::optional<std::uint64_t> seed;
  std::int32_t random_calls = 3000;
  // every command: the limit on how long the module may keep one call (or
  // a validate check) going; none means each check's own default
  std::optional<std::int32_t> timeout_seconds;
  // in a child
  std::optional<std::uint64_t> channel;
  std::string check_name;
};

// What the command line asks for: a command to run, or text to print (help,
// version) before ending with success.
struct ParsedCommandLine {
  std::optional<CommandLine> line;
  std::string text;
};

// Parses the arguments after the program name. Throws ToolError (usage) with
// a one-line reason.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
