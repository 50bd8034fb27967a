// Finding an input slot in the host record and calling its description service.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

// The slot that stands for input `index`, asking the host for the array
// first when it has none: with no array (or a count of 0 or less) the
// fallback slot, past the end the last element.
inline InputSlot& LocateSlot(StudyInterface& record, std::uint32_t index) {
  InputSlotArray& slots = record.input_slots;
  if (slots.data == nullptr && slots.allocate != nullptr) {
    slots.allocate(slots.allocation_argument);
  }
  if (slots.data == nullptr || slots.count <= 0) return slots.fallback;
  const auto count = static_cast<std::uint32_t>(slots.count);
  return slots.data[index < count ? index : count - 1];
}

// Passes `description` to the host's set-description service, if it has one.
inline void SetSlotDescription(const InputSlot& slot, const char* description) {
  if (slot.set_description != nullptr) {
    slot.set_description(slot.description_argument, description);
  }
}
