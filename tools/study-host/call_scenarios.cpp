#include "call_scenarios.h"

#include "judge/contract_inputs.h"

namespace {

// Sets input `index` in the slot the study will read it from.
void SetInputFlag(StandInHost& host, std::int32_t index, bool on) {
  InputSlot& slot = judge::SlotForInput(host.record(), index);
  slot.type_code = kYesNoTypeCode;
  WriteSlotArea<std::int32_t>(slot.value, on ? 1 : 0);
}

constexpr StandInHostOptions kNoArray = {.array = ArrayDelivery::kNever, .allocate_service = false};
constexpr StandInHostOptions kArrayOnAllocate = {.array = ArrayDelivery::kOnAllocate};
constexpr StandInHostOptions kShortArray = {.slot_count = 3};

const std::vector<CallScenario> kScenarios = {
    {.name = "defaults call", .options = {}, .defaults = true},
    {.name = "defaults call, no input array", .options = kNoArray, .defaults = true},
    {.name = "defaults call, array on allocate", .options = kArrayOnAllocate, .defaults = true},
    {.name = "defaults call, short array", .options = kShortArray, .defaults = true},
    {.name = "defaults call, no set-description service",
     .options = {.set_description_service = false},
     .defaults = true},
    {.name = "ordinary call, flat", .options = {}, .position = 0},
    {.name = "ordinary call, in trade", .options = {}, .position = -2},
    {.name = "ordinary call, scaling out", .options = {}, .scale_out = true, .position = 7},
    {.name = "ordinary call, host storage in the position record",
     .options = {},
     .position = 3,
     .texts = PositionTexts::kHostStorage},
    {.name = "ordinary call, no input array", .options = kNoArray, .position = 5},
    {.name = "ordinary call, array on allocate",
     .options = kArrayOnAllocate,
     .declared_first = false,
     .position = 4},
    {.name = "ordinary call, short array",
     .options = kShortArray,
     .scale_out = true,
     .position = 9},
    {.name = "ordinary call, negative input count",
     .options = {},
     .count_override = -3,
     .position = 6},
    {.name = "ordinary call, host call flag",
     .options = {},
     .enabled = false,
     .host_call_flag = true,
     .position = 2},
    {.name = "ordinary call, disabled", .options = {}, .enabled = false, .position = 3},
    {.name = "ordinary call, no position query service",
     .options = {.position_query_service = false},
     .position = 3},
};

}  // namespace

const std::vector<CallScenario>& CallScenarios() {
  return kScenarios;
}

void PrepareScenario(StandInHost& host, const CallScenario& scenario, judge::StudyFunction study) {
  if (scenario.count_override != 0) host.record().input_slots.count = scenario.count_override;
  if (scenario.defaults) {
    host.record().defaults_flag = 1;
    return;
  }
  if (scenario.declared_first) host.CallDefaults(study);
  // Without an array every input is the one fallback slot: the last flag
  // set is what each input reads.
  if (scenario.scale_out) SetInputFlag(host, judge::kScaleOut, true);
  SetInputFlag(host, judge::kEnabled, scenario.enabled);
  host.record().host_call_flag = scenario.host_call_flag ? 1 : 0;
  host.set_position(scenario.position);
  switch (scenario.texts) {
    case PositionTexts::kNone:
      break;
    case PositionTexts::kOwned:
      host.set_position_texts("host text placed in the position record", "and another");
      break;
    case PositionTexts::kHostStorage:
      host.set_position_texts("host storage", "more host storage", false);
      break;
  }
}
