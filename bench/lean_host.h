// A host record for measuring: the stand-in host's layout and inputs, with
// services that do nothing but their job, so the figures are the module's.
#pragma once

#include <cstdint>
#include <memory>

#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"

// The position the lean position query reports.
inline double lean_position = 0;

// Fills the quantity and nothing else, as a host's query at its cheapest.
inline std::int32_t LeanPositionQuery(PositionRecord* position) {
  position->quantity = lean_position;
  return 1;
}

// An allocate service that supplies nothing.
inline std::int32_t LeanAllocate(std::int32_t) {
  return 1;
}

// A set-description service that keeps nothing.
inline std::int32_t LeanSetDescription(std::int32_t, const char*) {
  return 1;
}

// Gives every input slot of `host` the lean set-description service.
void UseLeanDescriptionService(StandInHost& host);

// A host ready for `scenario`'s call (the defaults call made first), with
// the lean services in place: a host without an array gets the lean
// allocate service, which never supplies one.
std::unique_ptr<StandInHost> MakeLeanHost(const judge::JudgedStudy& study,
                                          const judge::CallScenario& scenario);
