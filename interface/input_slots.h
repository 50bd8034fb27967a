// Finding an input slot in the host record and calling its description service.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

// The slot that stands for input `index` in the array as it is now: with no
// array (or a count of 0 or less) the fallback slot, past the end the last
// element. Calls no host service.
inline InputSlot& SlotInCurrentArray(StudyInterface& record, std::int32_t index) {
  InputSlotArray& slots = record.input_slots;
  if (slots.data == nullptr || slots.count <= 0) return slots.fallback;
  if (index < 0) index = 0;
  return slots.data[index < slots.count ? index : slots.count - 1];
}

// The slot that stands for input `index`, asking the host for the array
// first when it has none.
inline InputSlot& LocateSlot(StudyInterface& record, std::int32_t index) {
  InputSlotArray& slots = record.input_slots;
  if (slots.data == nullptr && slots.allocate != nullptr) {
    slots.allocate(slots.allocation_argument);
  }
  return SlotInCurrentArray(record, index);
}

// Passes `description` to the host's set-description service, if it has one.
inline void SetSlotDescription(const InputSlot& slot, const char* description) {
  if (slot.set_description != nullptr) {
    slot.set_description(slot.description_argument, description);
  }
}
