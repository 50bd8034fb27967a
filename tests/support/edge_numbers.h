// Floating-point values at the edges, as the tests write them.
#pragma once

#include <limits>

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
