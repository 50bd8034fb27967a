// zrPalvessa's six inputs, by slot index, as the host's users know them, and
// the settings a user gives them: what the tool expects of our study, kept
// apart from the study's own declaration.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

namespace judge {

enum StudyInputIndex : std::int32_t {
  kEnabled = 0,             // yes/no: the study acts only when set
  kFlatQuantity = 1,        // integer: order quantity while flat
  kInTradeQuantity = 2,     // integer: order quantity while a position is open
  kScaleOut = 3,            // yes/no: size the in-trade quantity from the position
  kScaleOutPercentage = 4,  // integer: percentage of the open position
  kRoundDown = 5,           // yes/no: round the scaled quantity down
};
inline constexpr std::int32_t kInputCount = 6;

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

// What a user sets the six inputs to; by default the declared defaults with
// "Enabled" switched on.
struct StudySettings {
  bool enabled = true;
  std::int32_t flat_quantity = 4;
  std::int32_t in_trade_quantity = 1;
  bool scale_out = false;
  std::int32_t percentage = 50;
  bool round_down = false;
};

// Sets all six inputs, each in the slot the study will read it from.
void ApplyStudySettings(StudyInterface& record, const StudySettings& settings);

}  // namespace judge
