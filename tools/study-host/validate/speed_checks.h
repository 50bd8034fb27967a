// How long the study's calls take: the host calls it on every chart update
// of every chart, on the thread that draws them.
#pragma once

#include <cstdint>

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

// What a call may take. A sound call takes some ten nanoseconds (natively
// and under wine alike, the module's code being the same); a study that
// takes a fiftieth of a millisecond already costs a host with 100 charts
// updating 100 times a second 20 % of a core. Wide of both: 50 us. Every
// check's time limit follows from it (see checks.cpp).
inline constexpr std::int64_t kMostNanosecondsPerCall = 50000;

// The ordinary calls call-speed times, each on its own: enough that a
// stall once in ten thousand calls shows.
inline constexpr std::int64_t kCallSpeedTimedCalls = 20000;

CheckResult CheckCallSpeed(const CheckContext& context);
