// zrPalvessa's edges: the positions (any study's, see judge/edge_calls.h)
// at every scale-out percentage where a slip in its arithmetic shows, with
// both roundings.
#pragma once

#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

#include "judge/edge_calls.h"

namespace judge {

// Percentages the sweep scales out at: inside the declared limits, and
// beyond them on both sides, as a host might pass them through.
inline constexpr std::int32_t kEdgePercentages[] = {
    1, 7, 33, 50, 99, 100, 101, 200, 0, -50, std::numeric_limits<std::int32_t>::max(),
};

struct ScaleOutEdge {
  double position;
  bool scale_out;
  std::int32_t percentage;
  bool round_down;
};

// Every whole position from -20 to 20 and every edge position, with scaling
// out off, and on at every edge percentage with both roundings.
inline std::vector<ScaleOutEdge> ScaleOutEdges() {
  const std::vector<double> positions = EdgePositions();
  std::vector<ScaleOutEdge> calls;
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
