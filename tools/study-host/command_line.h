// The study-host command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Command { kHelp, kDescribe, kReplay, kValidate, kRunCheck };

struct InputSetting {
  std::string name;   // the input's name as the module declares it
  std::string value;  // a whole number; yes/no inputs also take yes or no
};

struct CommandLine {
  Command command = Command::kHelp;
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
  // internal: one check in a child process
  std::string check_name;
};

// Parses the arguments after the program name. Throws ToolError (usage) with
// a one-line reason.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The help text.
std::string UsageText();
