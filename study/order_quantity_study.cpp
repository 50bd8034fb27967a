#include "study/order_quantity_study.h"

#include <cmath>
#include <limits>

#include "interface/input_conversions.h"
#include "interface/position_query.h"
#include "study/study_defaults.h"

namespace {

void WriteOrderQuantity(StudyInterface& record, std::int32_t quantity) {
  record.order_quantity = static_cast<double>(quantity);
}

std::int32_t OpenPositionQuantity(double position, const StudySlots& slots) {
  if (SlotAsFlag(slots[kScaleOutInput]) == 1) {
    return ScaleOutQuantity(position, SlotAsInteger(slots[kScaleOutPercentageInput]),
                            SlotAsFlag(slots[kRoundDownInput]));
  }
  return SlotAsInteger(slots[kInTradeQuantityInput]);
}

}  // namespace

std::int32_t ScaleOutQuantity(double position, std::int32_t percentage, std::int32_t round_down) {
  const double size = std::fabs(position);
  if (!(size > 1.0)) return 1;  // one unit or less, or NaN
  double scaled = static_cast<double>(percentage) * size / 100.0;
  scaled = round_down == 1 ? std::floor(scaled) : std::ceil(scaled);
  if (1.0 > scaled) scaled = 1.0;
  if (std::isnan(scaled)) return 1;
  if (scaled >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(scaled);
}

void UpdateOrderQuantity(StudyInterface& record, const StudySlots& slots) {
  if (record.host_call_flag != 0) {
    WriteOrderQuantity(record, SlotAsInteger(slots[kInTradeQuantityInput]));
    return;
  }
  if (SlotAsFlag(slots[kEnabledInput]) == 0) return;
  if (record.position_query == nullptr) return;  // no position to act on

  ScopedPositionRecord position;
  const double quantity = QueryPosition(record, position);
  WriteOrderQuantity(record, quantity == 0.0 ? SlotAsInteger(slots[kFlatQuantityInput])
                                             : OpenPositionQuantity(quantity, slots));
}

void RunStudy(StudyInterface& record, const StudyText& credit) {
  const StudySlots slots = LocateStudySlots(record);
  if (record.defaults_flag != 0) {
    ApplyDefaults(record, slots, credit);
    return;
  }
  UpdateOrderQuantity(record, slots);
}
