// Checks of the declaration: what the defaults call declares.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckDeclaresStudy(const CheckContext& context);
