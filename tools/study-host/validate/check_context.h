// What a check's body works with in its child: the module, loaded as its
// check needs, and the state of the process before it was loaded.
#pragma once

#include <cstdint>
#include <string>

#include "host/process_state.h"
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
  // The child's output before the module was loaded.
  std::uint64_t output_before_load = 0;
  // The process-wide state before the module was loaded.
  ProcessState process_before_load;
  StudyFunctionExport study() const { return session->module().study; }
  // Says what the check is about to do, so a crash or hang can be placed;
  // first throws ModuleLogged when the module's calls have written output.
  void Announce(const std::string& phase) const;
  // Throws ModuleLogged when the module wrote output in its calls (at load
  // and unload it may: that is a warning).
  void ThrowIfLogged() const;
};

// A module that writes output during its calls: it logs, which a study
// must not; the detail says how much and quotes it.
struct ModuleLogged {
  std::string detail;  // starts with kLoggedPrefix
};
inline constexpr char kLoggedPrefix[] = "logged ";
