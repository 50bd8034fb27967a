// The bodies of the checks, grouped by subject: loading, declaration, calls
// and heap. Each runs in a child, with the module loaded as its check needs.
#pragma once

#include <cstdint>
#include <string>

#include "judge/floating_point_state.h"
#include "tools/study-host/session/module_session.h"
#include "tools/study-host/validate/check_result.h"
#include "tools/study-host/validate/checks.h"

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

// A run of seeded random calls, every one judged.
struct RandomRun {
  std::uint64_t seed = 0;
  std::int32_t calls = 0;
  std::int32_t announce_every = 100;  // calls between the phases announced
  std::string name;                   // of the calls, in those phases: "random calls"
};
// "" when every call was judged right, else the first fault, placed:
// "call 17 (position 3, defaults): ...".
std::string JudgedRandomCalls(const CheckContext& context, const RandomRun& run);

// Runs the body of `check`.
CheckResult RunCheckBody(Check check, const CheckContext& context);

// loading_checks.cpp
CheckResult CheckModuleLoads(const CheckContext& context);
CheckResult CheckExportsResolve(const CheckContext& context);
CheckResult CheckInterfaceVersion(const CheckContext& context);
CheckResult CheckModuleName(const CheckContext& context);
// floating_point_checks.cpp
CheckResult CheckFloatingPointState(const CheckContext& context);
// declaration_checks.cpp
CheckResult CheckDeclaresStudy(const CheckContext& context);
// call_checks.cpp
CheckResult CheckRecordUntouched(const CheckContext& context);
CheckResult CheckMissingHostServices(const CheckContext& context);
CheckResult CheckEdgePositions(const CheckContext& context);
CheckResult CheckScaleOutSweep(const CheckContext& context);
CheckResult CheckRandomizedCalls(const CheckContext& context);
// state_checks.cpp
CheckResult CheckThreadsAndState(const CheckContext& context);
CheckResult CheckLongRun(const CheckContext& context);
// The threads the module left running `when` ("after loading the module"):
// "" when as many as before it was loaded.
std::string ThreadsLeftBy(const CheckContext& context, const std::string& when);
// heap_checks.cpp
CheckResult CheckHeapCalls(const CheckContext& context);
CheckResult CheckHeapBalance(const CheckContext& context);
