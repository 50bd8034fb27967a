// Checks of what a module leaves to be called later: once it is unloaded,
// every route by which the process calls code on its own schedule reaches
// nothing of it.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckNothingCallsBack(const CheckContext& context);
