// Reading an input's stored value as an integer or a yes/no flag, whatever
// type code the host gives the slot.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

// The conversions for every type code; the inline forms below handle the
// two codes the module declares without a call.
std::int32_t SlotAsIntegerByTable(const InputSlot& slot);
std::int32_t SlotAsFlagByTable(const InputSlot& slot);

// The input's value as an int32 (0 for codes that carry no integer).
inline std::int32_t SlotAsInteger(const InputSlot& slot) {
  if (slot.type_code == kIntegerTypeCode) return ReadSlotArea<std::int32_t>(slot.value);
  return SlotAsIntegerByTable(slot);
}

// The input's value as a flag: 0 or 1.
inline std::int32_t SlotAsFlag(const InputSlot& slot) {
  if (slot.type_code == kYesNoTypeCode || slot.type_code == kIntegerTypeCode) {
    return ReadSlotArea<std::int32_t>(slot.value) != 0 ? 1 : 0;
  }
  return SlotAsFlagByTable(slot);
}

// The input's stored value as a number, whatever its type code: an integer
// code's int32, a decimal's float or double, a date or time's days (0 for
// codes that store nothing). For studies with decimal inputs.
double SlotAsNumber(const InputSlot& slot);
