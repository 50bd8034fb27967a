// Checks of the floating-point control state around the module's code.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckFloatingPointState(const CheckContext& context);
