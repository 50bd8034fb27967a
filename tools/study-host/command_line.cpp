#include "tools/study-host/command_line.h"

#include <CLI/CLI.hpp>

#include <limits>

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/common/windows_names.h"
#include "tools/study-host/option_spellings.h"
#include "tools/study-host/replay/chart_file.h"
#include "tools/study-host/replay/session_file_name.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"

#ifndef STUDY_PROJECT_VERSION
#error "STUDY_PROJECT_VERSION is the project's version"
#endif

namespace {

std::string Version() {
  return std::string("study-host ") + STUDY_PROJECT_VERSION;
}

// The words Windows and DOS programs take for help.
bool IsWindowsHelpWord(const std::string& word) {
  return word == "/?" || word == "-?";
}

// Nothing at all, or a word people type for help.
bool AsksForUsage(const std::vector<std::string>& arguments) {
  return arguments.empty() ||
         (arguments.size() == 1 && (arguments[0] == "help" || IsWindowsHelpWord(arguments[0])));
}

// The arguments with "/?" and "-?" before "--" read as --help, so that
// "study-host replay /?" shows replay's help.
std::vector<std::string> WithHelpWordsAsHelp(std::vector<std::string> arguments) {
  for (std::string& word : arguments) {
    if (word == "--") break;
    if (IsWindowsHelpWord(word)) word = "--help";
  }
  return arguments;
}

// --version anywhere among the options, after a command too.
bool AsksForVersion(const std::vector<std::string>& arguments) {
  for (const std::string& word : arguments) {
    if (word == "--") return false;
    if (word == "--version") return true;
  }
  return false;
}

// A whole-number option from `lowest` to the largest int32: checked against
// the one number rule and its range before it is stored.
template <typename Target>
CLI::Option* AddWholeNumber(CLI::App& app, const std::string& name, Target& target,
                            std::int32_t lowest, const std::string& description,
                            std::int32_t highest = std::numeric_limits<std::int32_t>::max()) {
  auto check = [lowest, highest](const std::string& text) {
    const std::string problem = ParseWholeNumber(text, lowest, highest).problem;
    return problem.empty() ? "" : "'" + text + "' " + problem;
  };
  auto store = [&target, lowest, highest](const std::string& text) {
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

CLI::Option* AddModule(CLI::App& command, std::string& module_path) {
  return command.add_option("MODULE", module_path,
                            std::string("the study module (.so, or .dll on Windows); without "
                                        "one, the ") +
                                kModuleBesideTool + " beside study-host");
}

void AddStudy(CLI::App& command, std::string& study, const std::string& description) {
  command.add_option("--study", study, description)->type_name("NAME");
}

void AddTimeout(CLI::App& command, std::optional<std::int32_t>& timeout,
                const std::string& description) {
  AddWholeNumber(command, "--timeout", timeout, 1, description)->type_name("SECONDS");
}

std::string CallLimitHelp() {
  return "seconds the module may take to answer before it counts as hung (default " +
         std::to_string(kDefaultCallSeconds) + ")";
}

CLI::App& AddDescribe(CLI::App& app, DescribeSettings& settings) {
  CLI::App& describe = *app.add_subcommand(
      "describe",
      "Show the study's name, description and inputs (with their numbers, defaults and "
      "allowed values).");
  AddModule(describe, settings.module_path);
  AddStudy(describe, settings.study,
           "only this study function (its export's name, with or without scsf_); by default "
           "every one the module exports");
  describe.add_flag("--json", settings.json, "print the declaration as JSON")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  AddTimeout(describe, settings.timeout_seconds, CallLimitHelp());
  return describe;
}

InputSetting SettingOf(const std::string& text) {
  const auto equals = text.find('=');
  return {text.substr(0, equals), text.substr(equals + 1)};
}

CLI::App& AddReplay(CLI::App& app, ReplaySettings& line, std::vector<std::string>& settings) {
  CLI::App& replay = *app.add_subcommand(
      "replay",
      "Show the order quantity the study sets as the position changes: set its inputs by "
      "name, give it each position in turn, and print the quantity after each one.");
  AddModule(replay, line.module_path);
  AddStudy(replay, line.study,
           "the study function to replay, when the module exports several (its export's name, "
           "with or without scsf_)");
  replay
      .add_option("--set", settings,
                  "set an input, by its name (or number) from describe, to a value of its "
                  "type (yes/no, a whole number, a decimal, a time of day); once per input")
      ->check([](const std::string& text) {
        const auto equals = text.find('=');
        return equals == std::string::npos || equals == 0 ? "takes NAME=VALUE, got '" + text + "'"
                                                          : std::string();
      })
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);  // one NAME=VALUE each time, like every other option
  CLI::Option* positions =
      replay
          .add_option("--positions", line.position_list,
                      "positions separated by commas, e.g. 0,3,-3,0 (negative is short)")
          ->type_name("LIST");
  CLI::Option* file =
      replay
          .add_option("--file", line.session_file,
                      "a session file: a 'position' column, one position a line; - reads "
                      "standard input")
          ->check([](const std::string& name) {
            return name.empty() ? std::string("needs a file name (or - for standard input)")
                                : std::string();
          })
          ->type_name("CSV");
  positions->excludes(file);
  replay
      .add_flag("--host-call-flag", line.host_call_flag,
                "tell the study on every step that the host itself is calling")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  replay.add_flag("--json", line.json, "print one JSON object per step")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  replay
      .add_option("--chart", line.chart_file,
                  "also draw the position and the order quantity at every step in FILE.svg, "
                  "a picture any web browser opens")
      ->check([](const std::string& name) {
        // A name Windows refuses is refused on every build: the picture is
        // for traders' machines.
        const std::string problem = WindowsNameProblem(name, "the chart", "steps.svg");
        if (!problem.empty()) return problem;
        return NamesSvgFile(name) ? std::string()
                                  : "takes a file name ending in .svg (the picture is SVG), got " +
                                        QuotedName(name);
      })
      ->type_name("FILE.svg");
  AddTimeout(replay, line.timeout_seconds, CallLimitHelp());
  return replay;
}

// --check NAME, --skip NAME: a check's name, turned into the check.
CLI::Option* AddCheckOption(CLI::App& validate, const std::string& name,
                            std::vector<const CheckDefinition*>& checks,
                            const std::string& description) {
  auto check = [](const std::string& text) {
    return CheckNamed(text) ? std::string()
                            : "unknown check '" + text + "'; the checks are " + CheckNames();
  };
  auto store = [&checks](const std::vector<std::string>& names) {
    for (const std::string& text : names) checks.push_back(CheckNamed(text));
  };
  return validate.add_option_function<std::vector<std::string>>(name, store, description)
      ->check(check)
      ->type_name("NAME");
}

CLI::App& AddValidate(CLI::App& app, ValidateSettings& settings, CommandLineOf whose) {
  CLI::App& validate = *app.add_subcommand(
      "validate",
      "Check the module against the host's rules, each check in a separate process, and "
      "report each as passed, warning, failed or skipped as it ends.");
  AddModule(validate, settings.module_path);
  AddStudy(validate, settings.study,
           "judge only this study function (its export's name, with or without scsf_); by "
           "default each in turn");
  AddSeed(validate, settings.seed);
  AddWholeNumber(validate, "--calls", settings.random_calls, 1,
                 "calls in the randomized run, 1 to " + std::to_string(kMostRandomCalls) +
                     " (default " + std::to_string(kDefaultRandomCalls) +
                     "); its time limit grows with them",
                 kMostRandomCalls);
  AddTimeout(validate, settings.timeout_seconds,
             "seconds every check may take (default: each check's own limit, which --list "
             "shows)");
  if (whose == CommandLineOf::kChild) {
    AddCheckOption(validate, kChildCheckOption, settings.checks, "")->group("");
  } else {
    AddCheckOption(validate, "--check", settings.checks,
                   "run this check and the checks it needs (may be given more than once)");
    AddCheckOption(validate, "--skip", settings.skipped,
                   "leave this check out, and the checks that need it (may be given more than "
                   "once)");
    validate
        .add_flag("--list", settings.list,
                  "list the checks, their time limits and what each covers")
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    validate
        .add_option("--junit", settings.junit_file,
                    "also write the results as JUnit XML, a test case a check, for CI systems")
        ->type_name("FILE.xml");
    validate
        .add_option("--json", settings.json_file,
                    "also write the results as JSON, an object a check and a summary")
        ->type_name("FILE.json");
    validate.add_flag("--quiet", settings.quiet, "print only the failed checks and the summary")
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    validate
        .add_flag("--fail-on-warning", settings.fail_on_warning,
                  "end with exit code 1 when a check passed with a warning")
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  }
  return validate;
}

// "--positions 0, 4, 2, 0": a list typed with blanks after its commas comes
// as several words; refused with the list as one word. `unexpected`: the
// words no option took.
void ThrowOnListInSeveralWords(const std::optional<std::string>& list,
                               const std::vector<std::string>& unexpected) {
  if (!list || unexpected.empty()) return;
  std::string joined = *list;
  std::string spaced = *list;
  for (const std::string& word : unexpected) {
    if (word.empty() || word.find_first_not_of("+-.,0123456789eEinfaINFA") != std::string::npos) {
      return;
    }
    joined += word;
    spaced += " " + word;
  }
  throw ToolError(kExitUsage,
                  "--positions takes the list as one word, without blanks: "
                  "--positions " +
                      joined + " (or in quotes: --positions \"" + spaced + "\")");
}

// The long options of the command given (of the tool itself when none
// was), as a word meant as one is compared with them.
std::vector<OptionName> LongOptions(CLI::App& app) {
  std::vector<OptionName> names;
  const std::vector<CLI::App*> commands = app.get_subcommands();
  const CLI::App& given = commands.empty() ? app : *commands[0];
  for (const CLI::Option* option : given.get_options()) {
    for (const std::string& name : option->get_lnames()) {
      names.push_back({"--" + name, option->get_type_size() != 0});
    }
  }
  return names;
}

// Words no option or command took, named in the order given: "'a', '' (an
// empty word)". A module named like one of the command's options ("/file")
// where no such file is, is one of them.
std::vector<std::string> UnexpectedWords(CLI::App& app, const std::string& module_named) {
  std::vector<std::string> unexpected;
  if (!module_named.empty() && OptionMeant(module_named, LongOptions(app)) &&
      StatusOf(module_named).kind == FileKind::kMissing) {
    unexpected.push_back(module_named);
  }
  const std::vector<std::string> left = app.remaining();
  unexpected.insert(unexpected.end(), left.begin(), left.end());
  for (CLI::App* command : app.get_subcommands()) {
    const std::vector<std::string> after = command->remaining();
    unexpected.insert(unexpected.end(), after.begin(), after.end());
  }
  std::erase(unexpected, "--");  // the end of the options, which the parser keeps
  return unexpected;
}

// Refuses the words, saying what they were likely meant as: an option
// spelled as other tools spell them, a session file without --file.
void ThrowOnUnexpectedWords(CLI::App& app, const std::vector<std::string>& unexpected,
                            bool takes_session_file) {
  if (unexpected.empty()) return;
  std::string named;
  for (const std::string& word : unexpected) {
    named +=
        (named.empty() ? "" : ", ") + QuotedName(word) + (word.empty() ? " (an empty word)" : "");
  }
  throw ToolError(kExitUsage, "not expected: " + named +
                                  MeantInstead(unexpected, LongOptions(app), takes_session_file) +
                                  " (see 'study-host --help')");
}

// The module the command loads, found as traders name it (see
// ModuleToLoad); the name given kept for messages.
template <typename Settings>
Settings WithModuleFound(Settings settings) {
  settings.module_named = settings.module_path;
  settings.module_path = ModuleToLoad(settings.module_named);
  return settings;
}

// The session file as the trader means it (see FindSessionFile).
void FindSessionFileOf(ReplaySettings& settings) {
  if (!settings.session_file) return;
  const SessionFileFound found = FindSessionFile(*settings.session_file);
  settings.session_file = found.path;
  settings.session_note = found.note;
}

// Neither --positions nor --file: a session file given as the module
// ("replay session.csv") is named as one.
[[noreturn]] void ThrowForMissingPositions(const ReplaySettings& settings) {
  if (LooksLikeSessionFile(settings.module_path)) {
    throw ToolError(kExitUsage,
                    QuotedName(settings.module_path) +
                        " was taken for the module, but looks like a session file" +
                        MeantInstead({settings.module_path}, {}, /*takes_session_file=*/true));
  }
  throw ToolError(kExitUsage, "give the positions: --positions or --file");
}

}  // namespace

std::string QuoteInWordProblem(const std::vector<std::string>& arguments) {
  for (const std::string& word : arguments) {
    if (word.find('"') == std::string::npos) continue;
    return "the word '" + word +
           "' holds a double quote, which no file name can: a backslash just before a closing "
           "quote (\\\") keeps the quote and joins the words after it. End a folder's name "
           "without its last backslash (\"my sessions\") or double it (\"my sessions\\\\\")";
  }
  return "";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments, CommandLineOf whose) {
  DescribeSettings describe_settings;
  ReplaySettings replay_settings;
  ValidateSettings validate_settings;
  std::vector<std::string> input_settings;
  CLI::App app(
      "Tries a study module outside the trading host: shows what it declares, replays "
      "positions through it, and checks it against the host's rules. The module never runs "
      "inside the tool itself, so a faulty module cannot take the tool down.",
      "study-host");
  app.allow_windows_style_options(false);  // "/path" is a path on every build, never an option
  app.set_version_flag("--version", Version());
  app.footer(ExitCodesHelp());
  app.require_subcommand(1);
  app.allow_extras();  // named in the order given, by ThrowOnUnexpectedWords
  app.fallthrough();
  CLI::App& describe = AddDescribe(app, describe_settings);
  CLI::App& replay = AddReplay(app, replay_settings, input_settings);
  AddValidate(app, validate_settings, whose);
  if (AsksForUsage(arguments)) return {std::nullopt, app.help()};
  if (AsksForVersion(arguments)) return {std::nullopt, Version() + "\n"};
#if defined(_WIN32)
  // Only Windows parses a command line into words itself, and there no file
  // name holds a quote.
  if (whose == CommandLineOf::kUser) {
    if (const std::string problem = QuoteInWordProblem(arguments); !problem.empty()) {
      throw ToolError(kExitUsage, problem);
    }
  }
#endif
  const auto is_command = [&app](const std::string& word) {
    return !app.get_subcommands([&word](CLI::App* command) { return command->get_name() == word; })
                .empty();
  };
  if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] != '-' &&
      !is_command(arguments[0])) {
    throw ToolError(kExitUsage, "unknown command '" + arguments[0] + "' (see 'study-host --help')");
  }
  const std::vector<std::string> words = WithHelpWordsAsHelp(arguments);
  std::vector<std::string> reversed(words.rbegin(), words.rend());
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
  const std::string module_named = describe.parsed() ? describe_settings.module_path
                                   : replay.parsed() ? replay_settings.module_path
                                                     : validate_settings.module_path;
  const std::vector<std::string> unexpected = UnexpectedWords(app, module_named);
  if (replay.parsed()) ThrowOnListInSeveralWords(replay_settings.position_list, unexpected);
  ThrowOnUnexpectedWords(app, unexpected, replay.parsed());
  if (describe.parsed()) return {WithModuleFound(describe_settings), ""};
  if (replay.parsed()) {
    for (const std::string& setting : input_settings) {
      replay_settings.inputs.push_back(SettingOf(setting));
    }
    if (!replay_settings.position_list && !replay_settings.session_file) {
      ThrowForMissingPositions(replay_settings);
    }
    FindSessionFileOf(replay_settings);
    return {WithModuleFound(replay_settings), ""};
  }
  if (validate_settings.list) return {validate_settings, ""};
  return {WithModuleFound(validate_settings), ""};
}
