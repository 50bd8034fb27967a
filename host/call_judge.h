// What one call of the study must have done, given the host it was made in,
// checked against what it did. Shared by the tool's randomized run and the
// study-function fuzzer.
#pragma once

#include <string>

#include "host/record_guard.h"
#include "host/stand_in_host.h"

struct CallSetup {
  StandInHostOptions options;  // the host the call was made in
  bool defaults = false;       // defaults flag set
  bool host_call_flag = false;
  double position = 0;  // what the position query reports
};

// The order quantity placed in the record before the call: never a whole
// number, so never a quantity the study writes.
inline constexpr double kQuantityBeforeCall = -424242.5;

// Judges a call made with `setup` in `host`, whose record and array looked
// like `before` (taken just before the call, with the order quantity at
// kQuantityBeforeCall). Returns "" when the call did all it must and nothing
// it must not, else the first fault found.
std::string JudgeCall(const CallSetup& setup, StandInHost& host, RecordImage before);
