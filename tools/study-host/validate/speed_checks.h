// How long the study's calls take: the host calls it on every chart update
// of every chart, on the thread that draws them.
#pragma once

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckCallSpeed(const CheckContext& context);
