// The kinds of call a host makes, each in a host built for it: what
// record-untouched watches and heap-balance counts.
#pragma once

#include <cstdint>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/call_judge.h"

enum class PositionTexts {
  kNone,         // the position query places no text
  kOwned,        // it places owned text the study must release
  kHostStorage,  // it points the texts at host storage the study must leave alone
};

struct CallScenario {
  const char* name;
  StandInHostOptions options;
  bool defaults = false;            // a defaults call; else an ordinary call after one
  bool declared_first = true;       // ordinary calls: a defaults call comes first
  std::int32_t count_override = 0;  // written over the array's count when not 0
  bool enabled = true;
  bool scale_out = false;
  bool host_call_flag = false;
  double position = 0;
  PositionTexts texts = PositionTexts::kOwned;
};

// Defaults calls and ordinary calls with and without an array, with a short
// array, the host call flag, missing services and texts in the position record.
const std::vector<CallScenario>& CallScenarios();

// Readies `host` (built with the scenario's options) for the scenario's call:
// the defaults call first where it needs one, the inputs and flags set.
void PrepareScenario(StandInHost& host, const CallScenario& scenario, judge::StudyFunction study);
