// What a check's body works with in its child: the module, loaded as its
// check needs, and the state of the process before it was loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/process_census.h"
#include "judge/floating_point_state.h"
#include "judge/judged_study.h"
#include "tools/study-host/session/module_session.h"

struct CheckContext {
  std::string path;        // the module file
  std::string study_name;  // the study function judged; "" for the module's own checks
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
  // The whole process before the module was loaded.
  ProcessCensus census_before_load;
  // The study function judged, with its declaration, read on first use by
  // its defaults calls (announced as a phase).
  const judge::JudgedStudy& study() const;
  // What has changed in the process since before the module was loaded, in
  // words (see CensusChanges); "" when nothing has.
  std::string ProcessChanges(CensusScope scope) const;
  // Says what the check is about to do, so a crash or hang can be placed;
  // first throws BeyondItsCalls when the module has done more than its
  // calls ask.
  void Announce(const std::string& phase) const;
  // Throws BeyondItsCalls when the module wrote output in its calls (at
  // load and unload it may: that is a warning), or, while its code ran,
  // read the environment, opened a file, used the network, started a
  // process or loaded a library.
  void ThrowIfBeyondItsCalls() const;

  // The judged study, once study() has read it.
  mutable std::optional<judge::JudgedStudy> judged_study = std::nullopt;
};

// What a module did beyond its calls, in words: a failure of the check.
struct BeyondItsCalls {
  std::string detail;  // starts with kLoggedPrefix when it is output
};
inline constexpr char kLoggedPrefix[] = "logged ";

// The process as it is now (see TakeProcessCensus), with the calling
// thread's floating-point control state.
ProcessCensus CensusWithFloatingPointState();
