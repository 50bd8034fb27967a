// The tool's side of a child that runs the module: what it said on its
// channel, how it ended, and that account in one line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "channel.h"
#include "child_process.h"

// The phase a replay child announces before its first ordinary call; each
// step frame after it is one call made.
inline constexpr char kStepsPhase[] = "the ordinary calls";

struct ModuleChildReport {
  ChildRun run;
  int limit_seconds = 0;
  TimeLimit limit = TimeLimit::kWholeRun;
  std::string phase = "starting";     // the last thing it said it was about to do
  std::int64_t steps = 0;             // replay steps reported since that
  std::optional<std::string> result;  // a check's result frame
  std::optional<std::string> error;   // an error frame: exit code, tab, message
  bool done = false;
  bool malformed = false;  // its channel held something other than frames
};

// Runs this program with `arguments` in a child; output and step frames go
// to `print` as they arrive.
ModuleChildReport RunModuleChild(const std::vector<std::string>& arguments, int limit_seconds,
                                 TimeLimit limit, const std::function<void(const Frame&)>& print);

// How a child that did not finish its work ended, in words: "crashed
// (signal 11, Segmentation fault) during the defaults call", "made no
// progress for 10 s, during the ordinary call of step 3".
std::string HowItEnded(const ModuleChildReport& report);

// What the module wrote on standard output or error, quoted on one line, or
// "" when it wrote nothing.
std::string ModuleOutputNote(const ChildRun& run);
