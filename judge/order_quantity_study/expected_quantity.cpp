#include "judge/order_quantity_study/expected_quantity.h"

#include <cmath>
#include <limits>

#include "judge/input_values.h"
#include "judge/order_quantity_study/study_inputs.h"

namespace judge {

std::int32_t ExpectedScaleOut(double position, std::int32_t percentage, bool round_down) {
  const double size = std::fabs(position);
  if (!(size > 1.0)) return 1;  // one unit or less, or not a number
  const double scaled = static_cast<double>(percentage) * size / 100.0;
  const double rounded = round_down ? std::floor(scaled) : std::ceil(scaled);
  if (std::isnan(rounded) || rounded < 1.0) return 1;
  if (rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(rounded);
}

OrdinaryCallExpectation ExpectOrdinaryCall(const StudyInterface& record, double position) {
  const auto input = [&](std::int32_t index) -> const InputSlot& {
    return SlotForInput(record, index);
  };
  OrdinaryCallExpectation expected;
  if (record.host_call_flag != 0) {
    expected.quantity = InputAsInteger(input(kInTradeQuantity));
    return expected;
  }
  if (InputAsFlag(input(kEnabled)) == 0 || record.position_query == nullptr) return expected;
  expected.queries_position = true;
  if (position == 0.0) {
    expected.quantity = InputAsInteger(input(kFlatQuantity));
  } else if (InputAsFlag(input(kScaleOut)) == 1) {
    expected.quantity = ExpectedScaleOut(position, InputAsInteger(input(kScaleOutPercentage)),
                                         InputAsFlag(input(kRoundDown)) == 1);
  } else {
    expected.quantity = InputAsInteger(input(kInTradeQuantity));
  }
  return expected;
}

}  // namespace judge
