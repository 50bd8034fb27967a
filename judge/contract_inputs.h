// How the contract reads the host's inputs: which slot stands for each of the
// study's six inputs, and what a slot's stored value means as an integer or a
// yes/no flag for every type code. Worked out here on its own, so the study's
// code is checked against it rather than against itself.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

namespace judge {

// The study's inputs by slot index, as the host's users know them.
enum StudyInputIndex : std::int32_t {
  kEnabled = 0,             // yes/no: the study acts only when set
  kFlatQuantity = 1,        // integer: order quantity while flat
  kInTradeQuantity = 2,     // integer: order quantity while a position is open
  kScaleOut = 3,            // yes/no: size the in-trade quantity from the position
  kScaleOutPercentage = 4,  // integer: percentage of the open position
  kRoundDown = 5,           // yes/no: round the scaled quantity down
};
inline constexpr std::int32_t kInputCount = 6;

// The slot standing for input `index` in the record as it is (no service is
// called): with no array or a count of 0 or less the fallback slot, past the
// end the last element.
const InputSlot& SlotForInput(const StudyInterface& record, std::int32_t index);
InputSlot& SlotForInput(StudyInterface& record, std::int32_t index);

// Sets input `index` in the slot the study will read it from, as a user
// would in the host's input dialog: the type code and the int32 value.
void SetInput(StudyInterface& record, std::int32_t index, std::int32_t value,
              std::uint8_t type_code);
inline void SetInputInteger(StudyInterface& record, std::int32_t index, std::int32_t value) {
  SetInput(record, index, value, kIntegerTypeCode);
}
inline void SetInputFlag(StudyInterface& record, std::int32_t index, bool on) {
  SetInput(record, index, on ? 1 : 0, kYesNoTypeCode);
}

// A slot's stored value read as an integer, and as 0 or 1. Values without an
// int32 reading (not a number, out of range) give the smallest integer of
// the width they are converted to.
std::int32_t InputAsInteger(const InputSlot& slot);
std::int32_t InputAsFlag(const InputSlot& slot);

}  // namespace judge
