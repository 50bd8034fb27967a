// The exit codes of study-host, each with what it means: one table, from
// which the help's footer is made and against which the docs are tested.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

enum ExitCode : int {
  kExitSuccess = 0,
  kExitChecksFailed = 1,
  kExitUsage = 2,
  kExitModule = 3,
  kExitSessionFile = 4,
  kExitOutput = 5,
  kExitToolFailure = 6,
};

struct ExitCodeMeaning {
  ExitCode code;
  std::string_view meaning;  // one line, in a trader's words
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kExitSuccess, "success (validate: no check failed; warnings and skipped checks allowed)"},
    {kExitChecksFailed, "validate: at least one check failed"},
    {kExitUsage, "bad command line, input setting or position list"},
    {kExitModule,
     "the module is missing or cannot be loaded, lacks an export, expects another interface "
     "version, or crashed, hung, ended early or left a process running"},
    {kExitSessionFile, "the session file cannot be opened or read, or is malformed"},
    {kExitOutput, "the output could not be written (a full disk, a closed pipe)"},
    {kExitToolFailure,
     "the tool itself failed (out of memory, an internal error): not the module's fault"},
};

// Every code once, in order, so a code is its own index.
constexpr bool ExitCodesInOrder() {
  for (std::size_t index = 0; index < std::size(kExitCodes); ++index) {
    if (static_cast<std::size_t>(kExitCodes[index].code) != index) return false;
  }
  return true;
}
static_assert(ExitCodesInOrder(), "exit codes listed once each, in order");

inline constexpr ExitCode kLastExitCode = kExitCodes[std::size(kExitCodes) - 1].code;

// The exit codes as the help's footer shows them.
std::string ExitCodesHelp();
