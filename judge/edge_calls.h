// The edges any study must handle: positions a host may report, and the
// values at the ends of what each declared input's type stores. Every
// validation run sweeps them; the randomized run and the fuzzer draw from
// them.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "judge/declaration.h"

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
    2147483648.0,   // beyond
    4294967296.0,
    1e300,
    -1e300,
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::denorm_min(),
};

// Every whole position from -20 to 20, then every edge position.
std::vector<double> EdgePositions();

// One input set to a value at an edge of what its type stores.
struct InputEdge {
  std::int32_t input;
  std::uint8_t type_code;
  SlotArea value;
  std::string words;  // "input 2 'Base Quantity' at 2147483647"
};

// The edges of every declared input: its default, its limits and beyond
// them, zero, and the ends of its type (the largest and smallest int32; for
// numbers with decimals also not a number and the infinities).
std::vector<InputEdge> InputEdges(const Declaration& declaration);

}  // namespace judge
