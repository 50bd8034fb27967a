// The tool's side of a child that reports on its channel: what it said, how
// it ended, and that account in words.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/sandbox/child_process.h"

struct ChildReport {
  ChildRun run;
  ChildTerms terms;
  std::string phase = "starting";        // the last thing it said it was about to do
  std::int64_t outputs_since_phase = 0;  // output frames since that phase was announced
  std::optional<std::string> result;     // its result frame's payload
  std::optional<std::string> error;      // its error frame's payload: exit code, message
  std::optional<std::string> cause;      // what its crash was, as it said before ending
  bool done = false;
  bool waiting = false;    // it last said it waits for input of its own
  bool malformed = false;  // its channel held something other than frames
};

// Runs this program with `arguments` in a child on `terms`; its frames go to
// `take` as they arrive, a batch at a time, after the report has recorded
// them.
ChildReport RunReportingChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                              const std::function<void(const std::vector<Frame>&)>& take);

// Where the child was when it ended: "during the defaults call".
std::string PhaseOf(const ChildReport& report);

// How a child that did not finish its work ended, in words: "crashed
// (signal 11, Segmentation fault) during the defaults call", "made no
// progress for 10 s, during the ordinary call of step 3"; `where` places it.
std::string HowItEnded(const ChildReport& report, const std::string& where);

// What the module wrote on standard output or error, quoted on one line, or
// "" when it wrote nothing.
std::string ModuleOutputNote(const ChildRun& run);

// In a child: reports an error that ends its work, with the exit code the
// tool is to end with.
void SendError(const ChannelWriter& channel, int exit_code, const std::string& message);

// In the tool: the error the child reported, with its exit code, or none.
std::optional<ToolError> ReportedError(const ChildReport& report);

// In the tool: when the child reported an error, throws it.
void ThrowReportedError(const ChildReport& report);

// Runs this program with `arguments` in a child on `terms` that does a
// command's work and prints as it goes: its output is written to standard
// output as it arrives (flushed, so a reader of a pipe sees each step), its
// error is thrown as its own, and a child that crashed, hung, ended early or
// left a process running is thrown as a module error, placed by `where`. A
// note of what the module printed goes to standard error. Returns the
// report of a child that finished its work.
ChildReport RunCommandInChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                              const std::function<std::string(const ChildReport&)>& where);
