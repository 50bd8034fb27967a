// Errors that end a study-host command: a one-line message for stderr and
// the documented exit code.
#pragma once

#include <stdexcept>
#include <string>

#include "tools/study-host/common/exit_codes.h"
#include "tools/study-host/common/text_format.h"

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
