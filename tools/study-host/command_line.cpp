#include "command_line.h"

#include <CLI/CLI.hpp>

#include <limits>
#include <sstream>

#include "text_parsing.h"
#include "tool_error.h"

#ifndef STUDY_PROJECT_VERSION
#error "STUDY_PROJECT_VERSION is the project's version"
#endif

namespace {

constexpr char kFooter[] = R"(exit codes:
  0  success (validate: every check passed, or passed with a warning)
  1  validate: at least one check failed
  2  bad command line, input setting or position list
  3  module missing or not loadable, missing export, wrong interface version,
     or the module crashed or hung
  4  session file unreadable or malformed
  5  the output could not be written)";

// A whole-number option from `lowest` to the largest int32: checked against
// the one number rule and its range before it is stored.
template <typename Target>
CLI::Option* AddWholeNumber(CLI::App& app, const std::string& name, Target& target,
                            std::int32_t lowest, const std::string& description) {
  constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
  auto check = [lowest](const std::string& text) {
    const std::string problem = ParseWholeNumber(text, lowest, highest).problem;
    return problem.empty() ? "" : "'" + text + "' " + problem;
  };
  auto store = [&target, lowest](const std::string& text) {
    target = static_cast<std::int32_t>(ParseWholeNumber(text, lowest, highest).value);
  };
  return app.add_option_function<std::string>(name, store, description)
      ->check(check)
      ->type_name("N");
}

CLI::Option* AddSeed(CLI::App& app, std::optional<std::uint64_t>& target) {
  auto check = [](const std::string& text) {
    std::string problem;
    return ParseUnsigned64(text, problem) ? "" : "'" + text + "' " + problem;
  };
  auto store = [&target](const std::string& text) {
    std::string problem;
    target = ParseUnsigned64(text, problem);
  };
  return app.add_option_function<std::string>("--seed", store, "repeat a randomized run")
      ->check(check)
      ->type_name("N");
}

void AddModule(CLI::App& command, CommandLine& line) {
  command.add_option("MODULE", line.module_path, "the study module (.so, or .dll on Windows)")
      ->required();
}

// What every command takes: the time limit, and the hidden channel of a child.
void AddCommonOptions(CLI::App& command, CommandLine& line, const std::string& timeout) {
  AddWholeNumber(command, "--timeout", line.timeout_seconds, 1, timeout)->type_name("SECONDS");
  command.add_option(kChannelOption, line.channel)->group("");
}

InputSetting SettingOf(const std::string& text) {
  const auto equals = text.find('=');
  return {text.substr(0, equals), text.substr(equals + 1)};
}

CLI::App& AddReplay(CLI::App& app, CommandLine& line, std::vector<std::string>& settings) {
  CLI::App& replay = *app.add_subcommand(
      "replay",
      "Make the defaults call, apply the input settings by name, then one ordinary call per "
      "position, and print the order quantity written at each step as it is made.");
  AddModule(replay, line);
  replay
      .add_option("--set", settings,
                  "set an input: NAME=VALUE, a whole number (yes/no inputs also take yes/no)")
      ->check([](const std::string& text) {
        const auto equals = text.find('=');
        return equals == std::string::npos || equals == 0 ? "takes NAME=VALUE, got '" + text + "'"
                                                          : std::string();
      })
      ->type_name("NAME=VALUE");
  CLI::Option* positions =
      replay
          .add_option("--positions", line.position_list, "comma-separated positions, e.g. 0,3,-3,0")
          ->type_name("LIST");
  CLI::Option* file =
      replay
          .add_option("--file", line.session_file, "a session file (CSV with a 'position' column)")
          ->type_name("CSV");
  positions->excludes(file);
  replay.add_flag("--host-call-flag", line.host_call_flag, "set the host call flag on every call")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  replay.add_flag("--json", line.json, "print one JSON object per step")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  return replay;
}

CLI::App& AddValidate(CLI::App& app, CommandLine& line) {
  CLI::App& validate = *app.add_subcommand(
      "validate",
      "Run the named checks, each in a child process of its own, and report each as passed, "
      "warning, failed or skipped as it ends.");
  AddModule(validate, line);
  AddSeed(validate, line.seed);
  AddWholeNumber(validate, "--calls", line.random_calls, 1,
                 "calls in the randomized run (default 3000)");
  validate.add_option(kCheckOption, line.check_name)->group("");
  return validate;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  std::vector<std::string> settings;
  CLI::App app(
      "Loads a study module as the trading host does and drives it through a stand-in "
      "host. The module runs only in child processes of the tool.",
      "study-host");
  app.allow_windows_style_options(false);  // "/path" is a path on every build, never an option
  app.set_version_flag("--version", std::string("study-host ") + STUDY_PROJECT_VERSION);
  app.footer(kFooter);
  app.require_subcommand(1);
  CLI::App& describe = *app.add_subcommand(
      "describe",
      "Print the module's name, interface version, display name, description and "
      "declared inputs.");
  AddModule(describe, line);
  CLI::App& replay = AddReplay(app, line, settings);
  CLI::App& validate = AddValidate(app, line);
  constexpr char kCallLimit[] =
      "seconds the module may take over one call before it counts as hung (default 10)";
  AddCommonOptions(describe, line, kCallLimit);
  AddCommonOptions(replay, line, kCallLimit);
  AddCommonOptions(validate, line,
                   "seconds every check may take (default: 10, or 30 for the checks that make "
                   "thousands of calls)");
  const auto is_command = [&app](const std::string& word) {
    return !app.get_subcommands([&word](CLI::App* command) { return command->get_name() == word; })
                .empty();
  };
  if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] != '-' &&
      !is_command(arguments[0])) {
    throw ToolError(kExitUsage, "unknown command '" + arguments[0] + "' (see 'study-host --help')");
  }
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return {std::nullopt, app.help()};
  } catch (const CLI::CallForAllHelp&) {
    return {std::nullopt, app.help("", CLI::AppFormatMode::All)};
  } catch (const CLI::CallForVersion& version) {
    return {std::nullopt, std::string(version.what()) + "\n"};
  } catch (const CLI::ParseError& error) {
    throw ToolError(kExitUsage, std::string(error.what()) + " (see 'study-host --help')");
  }
  line.command = describe.parsed() ? Command::kDescribe
                 : replay.parsed() ? Command::kReplay
                                   : Command::kValidate;
  for (const std::string& setting : settings) line.settings.push_back(SettingOf(setting));
  if (line.command == Command::kReplay && !line.position_list && !line.session_file) {
    throw ToolError(kExitUsage, "give the positions: --positions or --file");
  }
  return {line, ""};
}
