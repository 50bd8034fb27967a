#include "judge/call_scenarios.h"

#include <cstring>

#include "judge/input_values.h"

namespace judge {
namespace {

constexpr CallScenario kScenarios[] = {
    {.name = "defaults call", .options = kFullHost, .defaults = true},
    {.name = "defaults call, no input array", .options = kNoArrayNoAllocate, .defaults = true},
    {.name = "defaults call, array on allocate", .options = kArrayOnAllocate, .defaults = true},
    {.name = "defaults call, short array", .options = kShortArray, .defaults = true},
    {.name = "defaults call, no set-description service",
     .options = kNoSetDescription,
     .defaults = true},
    kFlatCall,
    kInTradeCall,
    kEveryYesNoOnCall,
    {.name = "ordinary call, owned flag -1 in the position record",
     .options = kFullHost,
     .position = -4,
     .owned_flag = -1},
    {.name = "ordinary call, owned flag 2 in the position record",
     .options = kFullHost,
     .inputs = InputChoice::kEveryYesNoOn,
     .position = 6,
     .owned_flag = 2},
    {.name = "ordinary call, host storage in the position record",
     .options = kFullHost,
     .position = 3,
     .texts = PositionTexts::kHostStorage},
    kNoArrayCall,
    {.name = "ordinary call, array on allocate",
     .options = kArrayOnAllocate,
     .declared_first = false,
     .position = 4},
    {.name = "ordinary call, short array",
     .options = kShortArray,
     .inputs = InputChoice::kEveryYesNoOn,
     .position = 9},
    {.name = "ordinary call, negative input count",
     .options = kNegativeCount,
     .inputs = InputChoice::kEveryYesNoOn,
     .position = 6},
    kHostCallFlagCall,
    {.name = "ordinary call, inputs at their defaults",
     .options = kFullHost,
     .inputs = InputChoice::kDefaults,
     .position = 3},
    {.name = "ordinary call, no position query service",
     .options = kNoPositionQuery,
     .position = 3},
};

}  // namespace

void SetInputValue(StudyInterface& record, std::int32_t index, std::uint8_t type_code,
                   const SlotArea& value) {
  InputSlot& slot = SlotForInput(record, index);
  slot.type_code = type_code;
  std::memcpy(slot.value, value, sizeof(SlotArea));
}

void ApplyInputChoice(StudyInterface& record, const Declaration& declaration, InputChoice choice) {
  bool first_yes_no = true;
  for (const DeclaredInput& input : declaration.inputs) {
    SlotArea value;
    std::memcpy(value, input.default_value, sizeof value);
    if (input.type_code == kYesNoTypeCode && choice != InputChoice::kDefaults &&
        (choice == InputChoice::kEveryYesNoOn || first_yes_no)) {
      WriteSlotArea<std::int32_t>(value, 1);
    }
    if (input.type_code == kYesNoTypeCode) first_yes_no = false;
    InputSlot& slot = SlotForInput(record, input.index);
    std::memcpy(slot.lower_limit, input.lower_limit, sizeof(SlotArea));
    std::memcpy(slot.upper_limit, input.upper_limit, sizeof(SlotArea));
    SetInputValue(record, input.index, input.type_code, value);
  }
}

std::span<const CallScenario> CallScenarios() {
  return kScenarios;
}

void PrepareScenario(StandInHost& host, const CallScenario& scenario, const JudgedStudy& study) {
  if (scenario.defaults) {
    host.record().defaults_flag = 1;
    return;
  }
  if (scenario.declared_first) host.CallDefaults(study.function);
  ApplyInputChoice(host.record(), study.declaration, scenario.inputs);
  host.record().host_call_flag = scenario.host_call_flag ? 1 : 0;
  host.set_position(scenario.position);
  switch (scenario.texts) {
    case PositionTexts::kNone:
      break;
    case PositionTexts::kOwned:
      host.set_position_texts("host text placed in the position record", "and another",
                              scenario.owned_flag);
      break;
    case PositionTexts::kHostStorage:
      host.set_position_texts("host storage", "more host storage", 0);
      break;
  }
}

}  // namespace judge
