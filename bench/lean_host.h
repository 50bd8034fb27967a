// A host record for measuring: the stand-in host's layout and inputs, with
// services that do nothing but their job, so the figures are the module's.
#pragma once

#include <cstdint>

#include "host/stand_in_host.h"

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

enum class LeanScenario { kFlat, kInTrade, kScaleOut, kHostCallFlag, kNoArrayAllocateService };

// Gives every input slot of `host` the lean set-description service.
void UseLeanDescriptionService(StandInHost& host);

// Puts `host` in the state the scenario measures (the defaults call made
// first), with the lean services in place.
void PrepareLeanHost(StandInHost& host, void (*study)(StudyInterface*), LeanScenario scenario);
