#include "lean_host.h"

std::unique_ptr<StandInHost> MakeLeanHost(const judge::JudgedStudy& study,
                                          const judge::CallScenario& scenario) {
  auto host = std::make_unique<StandInHost>(scenario.options);
  judge::PrepareScenario(*host, scenario, study);
  host->record().position_query = &LeanPositionQuery;
  lean_position = host->position();
  if (!host->has_array()) host->record().input_slots.allocate = &LeanAllocate;
  return host;
}

void UseLeanDescriptionService(StandInHost& host) {
  for (std::int32_t index = 0; index < host.slot_count(); ++index) {
    host.input(index).set_description = &LeanSetDescription;
  }
}
