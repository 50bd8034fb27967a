// Checks of the module's life in a host: loaded a second time, and in two
// processes at once, it behaves as the first time; threads that called it
// end after it was unloaded without anything of it running.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckLoadsAgain(const CheckContext& context);
CheckResult CheckThreadsOutliveModule(const CheckContext& context);
