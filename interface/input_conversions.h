// Reading an input's stored value as an integer or a yes/no flag, whatever
// type code the host gives the slot.
#pragma once

#include <cstdint>
#include <cstring>

#include "interface/study_interface.h"

// Type codes the module declares.
inline constexpr std::uint8_t kYesNoTypeCode = 5;
inline constexpr std::uint8_t kIntegerTypeCode = 11;

// The value area read as each stored type (unaligned reads).
inline std::int32_t StoredInt32(const InputSlot& slot) {
  std::int32_t value;
  std::memcpy(&value, slot.value, sizeof value);
  return value;
}
float StoredFloat32(const InputSlot& slot);
double StoredFloat64(const InputSlot& slot);

// The conversions for every type code; the inline forms below handle the
// two codes the module declares without a call.
std::int32_t SlotAsIntegerByTable(const InputSlot& slot);
std::int32_t SlotAsFlagByTable(const InputSlot& slot);

// The input's value as an int32 (0 for codes that carry no integer).
inline std::int32_t SlotAsInteger(const InputSlot& slot) {
  if (slot.type_code == kIntegerTypeCode) return StoredInt32(slot);
  return SlotAsIntegerByTable(slot);
}

// The input's value as a flag: 0 or 1.
inline std::int32_t SlotAsFlag(const InputSlot& slot) {
  if (slot.type_code == kYesNoTypeCode || slot.type_code == kIntegerTypeCode) {
    return StoredInt32(slot) != 0 ? 1 : 0;
  }
  return SlotAsFlagByTable(slot);
}
