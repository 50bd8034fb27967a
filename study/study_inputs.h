// The study's six inputs, by slot index, and the slots that stand for them
// during one call.
#pragma once

#include <cstdint>

#include "interface/input_slots.h"

enum StudyInput : std::int32_t {
  kEnabledInput = 0,             // yes/no: the study acts only when set
  kFlatQuantityInput = 1,        // integer: order quantity while flat
  kInTradeQuantityInput = 2,     // integer: order quantity while a position is open
  kScaleOutInput = 3,            // yes/no: size the in-trade quantity from the position
  kScaleOutPercentageInput = 4,  // integer: percentage of the open position
  kRoundDownInput = 5,           // yes/no: round the scaled quantity down instead of up
};

inline constexpr std::int32_t kStudyInputCount = 6;

// The slots located for inputs 0 to 5 (several may be the same slot).
struct StudySlots {
  InputSlot* slot[kStudyInputCount];

  InputSlot& operator[](StudyInput input) const { return *slot[input]; }
};

// Locates inputs 0 to 5 in ascending order, each lookup asking the host for
// the array again while it has none.
inline StudySlots LocateStudySlots(StudyInterface& record) {
  StudySlots slots;
  for (std::int32_t index = 0; index < kStudyInputCount; ++index) {
    slots.slot[index] = &LocateSlot(record, static_cast<std::uint32_t>(index));
  }
  return slots;
}
