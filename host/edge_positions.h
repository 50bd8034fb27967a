// Positions at the edges of what the study must handle, for the randomized
// run and the fuzzer to draw from.
#pragma once

#include <limits>

inline constexpr double kEdgePositions[] = {
    0.0,
    -0.0,
    1.0,
    -1.0,
    0.5,
    2.5,
    -3.0,
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    1e300,
    -1e300,
    4294967296.0,  // scales out past the int32 range
    std::numeric_limits<double>::denorm_min(),
};

inline constexpr unsigned kEdgePositionCount = sizeof kEdgePositions / sizeof kEdgePositions[0];
