// The whole sweep of scaling out: every whole position size from 1 to
// 10,000 and every quarter size in between, both signs, and sizes at and
// around every power of two up to 2^40, each at every percentage from 1 to
// 100 with both roundings. Only the written quantity is judged (stray
// writes are judged call by call elsewhere), so some sixteen million calls
// take a second or two.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/declaration.h"

namespace judge {

inline constexpr int kLargestSweptSize = 10000;
inline constexpr int kLargestSweptPowerOfTwo = 40;

// Every position of the sweep, both signs.
std::vector<double> SweepPositions();

struct SweepMismatch {
  double position;
  std::int32_t percentage;
  bool round_down;
  std::optional<double> written;  // none: the call left the quantity alone
  std::int32_t expected;
};

// Calls `study` in `host` (its defaults call made) over the whole sweep and
// returns the first call whose quantity is not the expected one. `announce`
// is told each percentage and rounding before its calls.
std::optional<SweepMismatch> SweepScaleOut(StandInHost& host, StudyFunction study,
                                           const std::function<void(const std::string&)>& announce);

}  // namespace judge
