// Checks of calls on several threads at once: the host may call the study
// for different records on different threads.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckCallsOnThreads(const CheckContext& context);
