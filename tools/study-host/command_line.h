// The study-host command line: which command, with its own settings.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tools/study-host/describe/describe_command.h"
#include "tools/study-host/replay/replay_command.h"
#include "tools/study-host/validate/validate_command.h"

using CommandSettings = std::variant<DescribeSettings, ReplaySettings, ValidateSettings>;

// What the command line asks for: a command to run, or text to print (help,
// version) before ending with success.
struct ParsedCommandLine {
  std::optional<CommandSettings> command;
  std::string text;
};

// Whose command line it is: a user's, or that of a child the tool started,
// which also takes the options the tool hands its children.
enum class CommandLineOf { kUser, kChild };

// A word holding a double quote, in words: on Windows what a backslash just
// before a closing quote ("my sessions\") makes of the words after it.
// "" when no word holds one.
std::string QuoteInWordProblem(const std::vector<std::string>& arguments);

// Parses the arguments after the program name. Throws ToolError (usage) with
// a one-line reason.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   CommandLineOf whose = CommandLineOf::kUser);
