// Checks of the calls: every kind of call watched for stray writes, hosts
// missing pieces, the edge sweep and the seeded randomized run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tools/study-host/validate/check_context.h"
#include "tools/study-host/validate/check_result.h"

CheckResult CheckRecordUntouched(const CheckContext& context);
CheckResult CheckMissingHostServices(const CheckContext& context);
CheckResult CheckEdgePositions(const CheckContext& context);
CheckResult CheckScaleOutSweep(const CheckContext& context);
CheckResult CheckRandomizedCalls(const CheckContext& context);

// Calls at the start of a randomized run that are made again as it goes.
inline constexpr std::int32_t kProbeCalls = 32;

// A run of seeded random calls, every one judged, the first ones made again
// every `probe_every` calls and at the end.
struct RandomRun {
  std::uint64_t seed = 0;
  std::int32_t calls = 0;
  std::int32_t announce_every = 100;  // calls between the phases announced
  std::string name;                   // of the calls, in those phases: "random calls"
  std::int32_t probe_every = 1000;
  // Told the call each announced phase starts with, before it is made.
  std::function<void(std::int32_t call)> after_each_announced = [](std::int32_t) {};
};
// "" when every call was judged right, else the first fault, placed:
// "call 17 (position 3, defaults): ...".
std::string JudgedRandomCalls(const CheckContext& context, const RandomRun& run);
