#include "lean_host.h"

void PrepareLeanHost(StandInHost& host, void (*study)(StudyInterface*), LeanScenario scenario) {
  host.CallDefaults(study);
  host.SetFlag(0, true);                                 // Enabled
  host.SetFlag(3, scenario == LeanScenario::kScaleOut);  // Scale Out of Position
  host.record().position_query = &LeanPositionQuery;
  host.record().host_call_flag = scenario == LeanScenario::kHostCallFlag ? 1 : 0;
  lean_position = scenario == LeanScenario::kFlat ? 0.0 : 7.0;
  if (scenario == LeanScenario::kNoArrayAllocateService) {
    host.record().input_slots.data = nullptr;
    host.record().input_slots.allocate = &LeanAllocate;
  }
}

void UseLeanDescriptionService(StandInHost& host) {
  for (std::int32_t index = 0; index < host.slot_count(); ++index) {
    host.input(index).set_description = &LeanSetDescription;
  }
}
