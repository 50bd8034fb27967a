// Checks of what a module keeps: threads, records after their call, state
// across a long run of calls.
#pragma once

#include <cstdint>
#include <string>

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

// The calls of long-run.
inline constexpr std::int32_t kLongRunCalls = 1000000;

CheckResult CheckThreadsAndState(const CheckContext& context);
CheckResult CheckLongRun(const CheckContext& context);

// The threads the module left running `when` ("after loading the module"):
// "" when as many as before it was loaded.
std::string ThreadsLeftBy(const CheckContext& context, const std::string& when);
