// What an ordinary call must do with the order quantity, worked out from the
// record and the position the host reports.
#pragma once

#include <cstdint>
#include <optional>

#include "interface/study_interface.h"

namespace judge {

// The scale-out quantity: `percentage` of the position's size, rounded up
// (or down), never below 1; 1 for a position of one unit or less and for a
// result that is not a number; the largest int32 for a result beyond it.
std::int32_t ExpectedScaleOut(double position, std::int32_t percentage, bool round_down);

struct OrdinaryCallExpectation {
  bool queries_position = false;
  std::optional<std::int32_t> quantity;  // none: the order quantity is left alone
};

// The ordinary call in `record` (whose inputs the call does not change),
// with the host reporting `position` when asked.
OrdinaryCallExpectation ExpectOrdinaryCall(const StudyInterface& record, double position);

}  // namespace judge
