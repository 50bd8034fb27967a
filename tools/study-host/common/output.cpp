#include "tools/study-host/common/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

[[noreturn]] void OutputFailed(int error) {
  throw ToolError(kExitOutput, std::string("cannot write the output: ") +
                                   (error != 0 ? std::strerror(error) : "write error"));
}

}  // namespace

void WriteOutput(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) OutputFailed(errno);
}

void FlushOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) OutputFailed(errno);
}

void ReportError(const std::string& message) {
  std::fprintf(stderr, "study-host: %s\n", Escaped(message).c_str());
}
