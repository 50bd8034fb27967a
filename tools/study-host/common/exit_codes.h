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
  kExitInterrupted = 130,  // 128 plus the signal's number; see interruption.h
};

struct ExitCodeMeaning {
  ExitCode code;
  std::string_view meaning;  // one line, in a trader's words
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kExitSuccess, "success (validate: no check failed; warnings and skipped checks allowed)"},
    {kExitChecksFailed,
     "validate: at least one check failed; replay: a step did not get the quantity its session "
     "expects"},
    {kExitUsage, "bad command line, input setting or position list"},
    {kExitModule,
     "the module is missing or cannot be loaded, lacks an export, expects another interface "
     "version, or crashed, hung, ended early or left a process running"},
    {kExitSessionFile,
     "the session file cannot be opened or read, is malformed, or is no session (a workbook, an "
     "archive, a PDF, a web page)"},
    {kExitOutput,
     "the output could not be written (a full disk, a closed pipe, standard output closed)"},
    {kExitToolFailure,
     "the tool itself failed (out of memory, an internal error): not the module's fault"},
    {kExitInterrupted,
     "stopped by Ctrl+C (129: its terminal closed, 143: asked to end; on Windows 0xC000013A), "
     "leaving no file half-written"},
};

// Every code once, in order.
constexpr bool ExitCodesInOrder() {
  for (std::size_t index = 1; index < std::size(kExitCodes); ++index) {
    if (kExitCodes[index].code <= kExitCodes[index - 1].code) return false;
  }
  return true;
}
static_assert(ExitCodesInOrder(), "exit codes listed once each, in order");

// The codes a child can report for the tool to end with: 1 to this.
inline constexpr ExitCode kLastChildExitCode = kExitToolFailure;

// The exit codes as the help's footer shows them.
std::string ExitCodesHelp();
