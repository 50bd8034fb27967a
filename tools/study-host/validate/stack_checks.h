// Checks of the stack a call uses, on a thread with a host-sized stack.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckStackUse(const CheckContext& context);
