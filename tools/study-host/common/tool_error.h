// Errors that end a study-host command: a one-line message for stderr and
// the documented exit code.
#pragma once

#include <stdexcept>
#include <string>

#include "tools/study-host/common/text_format.h"

enum ExitCode : int {
  kExitSuccess = 0,
  kExitChecksFailed = 1,  // validate: at least one check failed
  kExitUsage = 2,         // bad command line, input setting or position list
  kExitModule = 3,  // module missing, not loadable, missing export, wrong version, crashed or hung
  kExitSessionFile = 4,  // session file unreadable or malformed
  kExitOutput = 5,       // the output could not be written
};

// The message is kept on one line: control characters echoed from the user's
// input (a file name, a session field) are escaped.
class ToolError : public std::runtime_error {
 public:
  ToolError(ExitCode code, const std::string& message)
      : std::runtime_error(Escaped(message)), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};
