// Running this program again as a child process, so that a module which
// crashes or hangs takes down only the child.
#pragma once

#include <string>
#include <vector>

struct ChildOutcome {
  bool started = false;    // false: the child could not be started (see failure)
  bool timed_out = false;  // killed after the time limit
  bool crashed = false;    // ended by a signal or an unhandled exception (see failure)
  int exit_code = 0;       // when it exited on its own
  std::string failure;     // why it did not start, or how it crashed
  std::string output;      // everything it wrote to standard output
};

// Runs this program with `arguments` (after the program name), capturing its
// standard output; its standard error goes where ours goes.
ChildOutcome RunThisProgram(const std::vector<std::string>& arguments, int timeout_seconds);

// In a child: a crash ends the process at once, without dialogs or
// debuggers, in a way RunThisProgram recognises.
void EndProcessOnCrash();
