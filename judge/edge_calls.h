// The edges of what the study must handle: positions and scale-out settings
// where a slip in the arithmetic shows. Every validation run sweeps them all,
// and the randomized run and the fuzzer draw from them.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace judge {

inline constexpr double kEdgePositions[] = {
    0.0,
    -0.0,
    0.5,
    1.0,
    -1.0,
    0.9999999999999999,  // just below one unit
    1.0000000000000002,  // just above
    2.5,
    -3.0,
    16777217.0,     // 2^24 + 1: the first whole number a float cannot hold
    2147483647.0,   // the largest int32
    -2147483648.0,  // the smallest
    2147483648.0,   // beyond: scales out past the int32 range at 100 %
    4294967296.0,
    1e300,
    -1e300,
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::denorm_min(),
};

// Percentages the sweep scales out at: inside the declared limits, and
// beyond them on both sides, as a host might pass them through.
inline constexpr std::int32_t kEdgePercentages[] = {
    1, 7, 33, 50, 99, 100, 101, 200, 0, -50, std::numeric_limits<std::int32_t>::max(),
};

struct EdgeCall {
  double position;
  bool scale_out;
  std::int32_t percentage;
  bool round_down;
};

// Every whole position from -20 to 20 and every edge position, with scaling
// out off, and on at every edge percentage with both roundings.
inline std::vector<EdgeCall> EdgeSweep() {
  std::vector<double> positions;
  for (int whole = -20; whole <= 20; ++whole) positions.push_back(whole);
  positions.insert(positions.end(), std::begin(kEdgePositions), std::end(kEdgePositions));
  std::vector<EdgeCall> calls;
  for (double position : positions) {
    calls.push_back({position, false, 50, false});
    for (std::int32_t percentage : kEdgePercentages) {
      for (bool round_down : {false, true})
        calls.push_back({position, true, percentage, round_down});
    }
  }
  return calls;
}

}  // namespace judge
