// What a call of the study-host tool's code throws, for table-driven tests.
#pragma once

#include <string>
#include <utility>

#include "tools/study-host/common/tool_error.h"

// The exit code and message a call throws, or kExitSuccess and "".
template <typename Call>
std::pair<int, std::string> ErrorOf(Call call) {
  try {
    call();
  } catch (const ToolError& error) {
    return {error.code(), error.what()};
  }
  return {kExitSuccess, ""};
}
