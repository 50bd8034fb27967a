// Reading an input's stored value as an integer or a yes/no flag, whatever
// type code the host gives the slot.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

// Type codes the module declares.
inline constexpr std::uint8_t kYesNoTypeCode = 5;
inline constexpr std::uint8_t kIntegerTypeCode = 11;

// The input's value as an int32 (0 for codes that carry no integer).
std::int32_t SlotAsInteger(const InputSlot& slot);

// The input's value as a flag: 0 or 1.
std::int32_t SlotAsFlag(const InputSlot& slot);

// The value area read as each stored type (unaligned reads).
std::int32_t StoredInt32(const InputSlot& slot);
float StoredFloat32(const InputSlot& slot);
double StoredFloat64(const InputSlot& slot);
