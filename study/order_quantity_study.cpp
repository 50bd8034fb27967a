#include "study/order_quantity_study.h"

#include <cmath>
#include <limits>

#include "interface/input_conversions.h"
#include "interface/position_query.h"
#include "study/credit_link.h"
#include "study/study_defaults.h"

namespace {

// The six inputs as consecutive array elements: what LocateStudySlots finds
// whenever the host's array holds all six, without storing six pointers.
struct ConsecutiveSlots {
  InputSlot* first;
  InputSlot& operator[](StudyInput input) const { return first[input]; }
};

void WriteOrderQuantity(StudyInterface& record, std::int32_t quantity) {
  record.order_quantity = static_cast<double>(quantity);
}

template <typename Slots>
std::int32_t OpenPositionQuantity(double position, Slots slots) {
  if (SlotAsFlag(slots[kScaleOutInput]) == 1) {
    return ScaleOutQuantity(position, SlotAsInteger(slots[kScaleOutPercentageInput]),
                            SlotAsFlag(slots[kRoundDownInput]));
  }
  return SlotAsInteger(slots[kInTradeQuantityInput]);
}

template <typename Slots>
void UpdateOrderQuantity(StudyInterface& record, Slots slots) {
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

// Every call but the hot one: slots located one by one (asking the host for
// its array as often as it lacks one), then the defaults or the update.
// Kept out of line so the hot path needs none of its stack or registers.
__attribute__((noinline)) static void RunStudyLocatingEachSlot(StudyInterface& record) {
  const StudySlots slots = LocateStudySlots(record);
  if (record.defaults_flag != 0) {
    ApplyDefaults(record, slots, CreditLink());
    return;
  }
  UpdateOrderQuantity(record, slots);
}

void RunStudy(StudyInterface& record) {
  const InputSlotArray& array = record.input_slots;
  if (record.defaults_flag == 0 && array.data != nullptr && array.count >= kStudyInputCount) {
    // The hot path: each lookup would find its own element without calling the host.
    UpdateOrderQuantity(record, ConsecutiveSlots{array.data});
    return;
  }
  RunStudyLocatingEachSlot(record);
}
