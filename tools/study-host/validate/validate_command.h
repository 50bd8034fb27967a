// study-host validate: named checks, each in a child process of its own, so
// a module that crashes, hangs or forks fails its check instead of taking
// the tool down. The tool never loads the module itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/validate/checks.h"
#include "tools/study-host/validate/speed_checks.h"

// The randomized run's calls: by default, at most, and its time limit grows
// by a second for every kRandomCallsPerSecond of them, as every check's
// limit grows with its calls (see checks.cpp): each call is allowed twice
// the time a call may take, so a module within call-speed's bound never
// fails for the time the calls asked for take.
inline constexpr std::int32_t kDefaultRandomCalls = 3000;
inline constexpr std::int32_t kMostRandomCalls = 1000000;
inline constexpr std::int32_t kRandomCallsPerSecond =
    static_cast<std::int32_t>(1000000000 / (2 * kMostNanosecondsPerCall));

struct ValidateSettings {
  std::string module_path;   // the file to load (see ModuleToLoad)
  std::string module_named;  // as the command line named it; "" when it named none
  // The study function to judge; "": each in turn. In a child: the one its
  // check judges ("" for the module's own checks).
  std::string study;
  std::optional<std::uint64_t> seed;  // none: a fresh one
  std::int32_t random_calls = kDefaultRandomCalls;
  std::optional<std::int32_t> timeout_seconds;  // every check's; none: each check's own
  // The checks asked for; none: all. In a child: the one to run.
  std::vector<const CheckDefinition*> checks;
  std::vector<const CheckDefinition*> skipped;  // left out, reported as skipped
  bool list = false;                            // list the checks instead of running them
  std::optional<std::string> junit_file;        // the results as JUnit XML, written there
  std::optional<std::string> json_file;         // the results as JSON, written there
  bool quiet = false;                           // print failed checks and the summary only
  bool fail_on_warning = false;                 // a warning fails the run (exit 1)
};

// In the tool: runs the checks asked for and those they need, each in a
// child, printing each result as it comes (or lists the checks). Returns the
// exit code: success, or checks failed.
int RunInTool(const ValidateSettings& settings, const std::vector<std::string>& arguments);

// In a child: runs the one check the settings name and sends its result.
void RunInChild(const ValidateSettings& settings, const ChannelWriter& channel);

// The option that hands a child its one check: only a child takes it.
inline constexpr char kChildCheckOption[] = "--in-child-run-check";
