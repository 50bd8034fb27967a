// What a check's body works with in its child: the module, loaded as its
// check needs, and the state of the process before it was loaded.
#pragma once

#include <cstdint>
#include <string>

#include "judge/floating_point_state.h"
#include "tools/study-host/session/module_session.h"

struct CheckContext {
  std::string path;  // the module file
  std::uint64_t seed = 0;
  std::int32_t random_calls = 0;
  // The module, loaded with its exports for the checks that call the study.
  ModuleSession* session = nullptr;
  // The floating-point control state before the module was loaded.
  judge::FloatingPointState before_load;
  // The process's threads before the module was loaded; -1 when uncounted.
  int threads_before_load = -1;
  StudyFunctionExport study() const { return session->module().study; }
  // Says what the check is about to do, so a crash or hang can be placed.
  void Announce(const std::string& phase) const { session->Announce(phase); }
};
