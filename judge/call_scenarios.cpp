#include "judge/call_scenarios.h"

#include "judge/contract_inputs.h"

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
    kScaleOutCall,
    {.name = "ordinary call, owned flag -1 in the position record",
     .options = kFullHost,
     .position = -4,
     .owned_flag = -1},
    {.name = "ordinary call, owned flag 2 in the position record",
     .options = kFullHost,
     .scale_out = true,
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
     .scale_out = true,
     .position = 9},
    {.name = "ordinary call, negative input count", .options = kNegativeCount, .position = 6},
    kHostCallFlagCall,
    {.name = "ordinary call, disabled", .options = kFullHost, .enabled = false, .position = 3},
    {.name = "ordinary call, no position query service",
     .options = kNoPositionQuery,
     .position = 3},
};

}  // namespace

void ApplyStudySettings(StudyInterface& record, const StudySettings& settings) {
  SetInputFlag(record, kEnabled, settings.enabled);
  SetInputInteger(record, kFlatQuantity, settings.flat_quantity);
  SetInputInteger(record, kInTradeQuantity, settings.in_trade_quantity);
  SetInputFlag(record, kScaleOut, settings.scale_out);
  SetInputInteger(record, kScaleOutPercentage, settings.percentage);
  SetInputFlag(record, kRoundDown, settings.round_down);
}

std::span<const CallScenario> CallScenarios() {
  return kScenarios;
}

void PrepareScenario(StandInHost& host, const CallScenario& scenario, StudyFunction study) {
  if (scenario.defaults) {
    host.record().defaults_flag = 1;
    return;
  }
  if (scenario.declared_first) host.CallDefaults(study);
  // Without an array every input is the one fallback slot: the last flag
  // set is what each input reads.
  if (scenario.scale_out) SetInputFlag(host.record(), kScaleOut, true);
  SetInputFlag(host.record(), kEnabled, scenario.enabled);
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
