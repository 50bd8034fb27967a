// Checks of unloading: the module goes, and leaves nothing of its own behind.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckUnloadsCleanly(const CheckContext& context);
