#include "judge/order_quantity_study/study_inputs.h"

#include "judge/input_values.h"

namespace judge {

void SetInput(StudyInterface& record, std::int32_t index, std::int32_t value,
              std::uint8_t type_code) {
  InputSlot& slot = SlotForInput(record, index);
  slot.type_code = type_code;
  WriteSlotArea(slot.value, value);
}

void ApplyStudySettings(StudyInterface& record, const StudySettings& settings) {
  SetInputFlag(record, kEnabled, settings.enabled);
  SetInputInteger(record, kFlatQuantity, settings.flat_quantity);
  SetInputInteger(record, kInTradeQuantity, settings.in_trade_quantity);
  SetInputFlag(record, kScaleOut, settings.scale_out);
  SetInputInteger(record, kScaleOutPercentage, settings.percentage);
  SetInputFlag(record, kRoundDown, settings.round_down);
}

}  // namespace judge
