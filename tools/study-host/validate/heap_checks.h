// Checks of the heap: no heap call of its own in an ordinary call, and the
// heap as it was after many calls, a load and an unload.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckHeapCalls(const CheckContext& context);
CheckResult CheckMemoryBalance(const CheckContext& context);
