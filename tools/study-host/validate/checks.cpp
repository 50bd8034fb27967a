#include "tools/study-host/validate/checks.h"

#include <cstdint>
#include <iterator>

#include "tools/study-host/validate/call_checks.h"
#include "tools/study-host/validate/callback_checks.h"
#include "tools/study-host/validate/concurrency_checks.h"
#include "tools/study-host/validate/declaration_checks.h"
#include "tools/study-host/validate/floating_point_checks.h"
#include "tools/study-host/validate/heap_checks.h"
#include "tools/study-host/validate/lifecycle_checks.h"
#include "tools/study-host/validate/loading_checks.h"
#include "tools/study-host/validate/speed_checks.h"
#include "tools/study-host/validate/stack_checks.h"
#include "tools/study-host/validate/state_checks.h"
#include "tools/study-host/validate/unload_checks.h"

namespace {

// A check's time limit follows from what it does: its own work (loading,
// censuses, judging every call, under wine on a machine busy with other
// work) and the calls it makes, each allowed twice the time call-speed lets
// a call take (kMostNanosecondsPerCall: its processor time, which a
// machine whose cores another job of equal weight shares stretches twice).
// So no module within call-speed's bound fails a check by time.
constexpr int LimitFor(int own_seconds, std::int64_t calls) {
  return own_seconds + static_cast<int>(calls * 2 * kMostNanosecondsPerCall / 1000000000);
}

constexpr int kQuickCheckSeconds = 10;  // a load or a handful of calls
constexpr int kLongCheckSeconds = 30;   // thousands of calls
constexpr int kLongRunSeconds = 120;    // a million judged calls, under wine too
// Four threads calling at once contend for the host's heap: under wine the
// check takes 3 s on an idle machine and over 30 with its cores taken.
constexpr int kThreadsAtOnceSeconds = 120;
// Learning what the runtime libraries change by themselves takes rounds of
// the tool's own work with the C heap put through its states.
constexpr int kLibraryStateSeconds = 30;

// The most calls each check makes (see LimitFor): with the calls that
// prepare a host (a defaults call before an ordinary one).
constexpr std::int64_t kMemoryBalanceCalls = 18 * 3100 * 2;
// Timed twice at most: again in a fresh load after a stalled call.
constexpr std::int64_t kCallSpeedCalls = kCallSpeedTimedCalls * 2 * 2;
constexpr std::int64_t kCallsOnThreadsCalls = 4 * 5000 * 2 * 2;  // made alone, then at once
constexpr std::int64_t kEdgeCalls = 1404;
constexpr std::int64_t kSweepCalls = 16054001;

constexpr CheckDefinition kChecks[] = {
    {"module-loads",
     "from a folder holding only itself, the module loads with every symbol bound, and "
     "unloads, without crashing or hanging",
     nullptr, false, kQuickCheckSeconds, &CheckModuleLoads, 1, CheckScope::kModule},
    {"loads-alone",
     "from a folder holding only itself, the module needs nothing but the system's own "
     "libraries (on Windows built with ASLR and DEP)",
     nullptr, false, kQuickCheckSeconds, &CheckLoadsAlone, 1, CheckScope::kModule},
    {"exports-resolve",
     "scdll_DLLName, scdll_DLLVersion and every study function (scsf_...) resolve, each to the "
     "module's own code",
     &CheckModuleLoads, false, kQuickCheckSeconds, &CheckExportsResolve, 1, CheckScope::kModule},
    {"only-its-exports",
     "the module exports its name, its version and its study functions and nothing else (a "
     "study whose own rule the tool knows: exactly its three, under its DLL's name)",
     &CheckModuleLoads, false, kQuickCheckSeconds, &CheckOnlyItsExports, 1, CheckScope::kModule},
    {"interface-version", "the module reports the interface version this host provides",
     &CheckExportsResolve, true, kQuickCheckSeconds, &CheckInterfaceVersion, 1,
     CheckScope::kModule},
    {"module-name",
     "the module's name is printable text, matching its study function's name (a study whose "
     "own rule the tool knows: the name that rule gives)",
     &CheckExportsResolve, true, kQuickCheckSeconds, &CheckModuleName, 1, CheckScope::kModule},
    {"declares-study",
     "the defaults call declares a display name, a description and inputs each named, typed "
     "and with a default within its limits (and what the study's own rule says, when the tool "
     "knows one)",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckDeclaresStudy},
    {"floating-point-state",
     "loading, every kind of call and unloading leave the floating-point control state "
     "(rounding, flush-to-zero, exception masks) as they found it",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckFloatingPointState},
    {"record-untouched", "every kind of call writes only the record fields its kind may write",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckRecordUntouched},
    {"missing-host-services",
     "hosts without an input array or without services, and a null record, are handled",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckMissingHostServices},
    {"heap-calls",
     "an ordinary call of any kind releases the owned host text it is given, and makes no heap "
     "call of its own (a warning, or a failure for a study whose own rule promises none)",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckHeapCalls},
    {"memory-balance",
     "thousands of calls of every kind, and loading and unloading the module, leave the heap as "
     "they found it, in blocks and bytes, and the memory mapped outside it",
     &CheckInterfaceVersion, true, LimitFor(kLongCheckSeconds, kMemoryBalanceCalls),
     &CheckMemoryBalance},
    {"threads-and-state",
     "the whole process after loading as before, but for what the module holds until it is "
     "unloaded, and unchanged by every kind of call, each difference named; no thread after "
     "unloading; no record changed after its call returned",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckThreadsAndState},
    {"call-speed",
     "20,000 ordinary calls of every kind, each timed: none keeps the host waiting 100 ms "
     "(a stall timed again in a fresh load), and "
     "each kind's fastest batch takes at most 50 us a call",
     &CheckInterfaceVersion, true, LimitFor(kQuickCheckSeconds, kCallSpeedCalls), &CheckCallSpeed},
    {"loads-again",
     "loaded a second time, and in two processes at once, every kind of call is judged right "
     "and does what it did the first time",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckLoadsAgain, 2},
    {"threads-outlive-module",
     "host threads that called the module end after it was unloaded, and nothing of it runs "
     "then",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckThreadsOutliveModule},
    {"calls-on-threads",
     "calls on four threads at once, each with records and settings of its own, every call "
     "judged and held to the same call made alone, so state shared across calls shows",
     &CheckInterfaceVersion, true, LimitFor(kThreadsAtOnceSeconds, kCallsOnThreadsCalls),
     &CheckCallsOnThreads},
    {"stack-use",
     "every kind of call on a thread with a host's 1 MB stack uses at most 256 KB of it; a "
     "stack overflow is named as one",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckStackUse},
    {"unloads-cleanly",
     "no declared text points into the module's image or is handed over without ownership, "
     "the module is gone once unloaded, and the whole process, the runtime libraries' own data "
     "included, is as before it was loaded, each difference named",
     &CheckInterfaceVersion, false, kLibraryStateSeconds, &CheckUnloadsCleanly},
    {"nothing-calls-back",
     "after unloading, every route by which the process calls code later (an exception, each "
     "signal with a handler, a thread's start and end, a fork, the C++ runtime's handlers, "
     "timers; on Windows an alertable wait, a console event, the timer and wait queues) reaches "
     "nothing of the module",
     &CheckInterfaceVersion, true, kQuickCheckSeconds, &CheckNothingCallsBack},
    {"edge-positions",
     "positions and every input's values at the int32 and float edges are handled by the "
     "host's rules (and give exactly the study's own rule's quantity, when the tool knows one)",
     &CheckInterfaceVersion, true, LimitFor(kLongCheckSeconds, kEdgeCalls), &CheckEdgePositions},
    {"scale-out-sweep",
     "every whole and quarter size to 10,000 and around every power of two, at every "
     "percentage from 1 to 100, both roundings, give exactly zrPalvessa's own rule's quantity",
     &CheckInterfaceVersion, true, LimitFor(kLongCheckSeconds, kSweepCalls), &CheckScaleOutSweep, 1,
     CheckScope::kOwnRule},
    {"randomized-calls",
     "seeded random hosts, type codes, inputs, positions and flags, every call judged, and the "
     "same calls made again give the same writes",
     &CheckInterfaceVersion, true, kLongCheckSeconds, &CheckRandomizedCalls},
    {"long-run",
     "a million consecutive random calls on one loaded module, every one judged and the first "
     "calls made again as it goes, so state kept across calls, or memory mapped and never "
     "given back, shows",
     &CheckRandomizedCalls, true, LimitFor(kLongRunSeconds, kLongRunCalls), &CheckLongRun},
};

// The row whose body is `body`, or the table's size when none is.
constexpr std::size_t RowWithBody(CheckBody body) {
  for (std::size_t index = 0; index < std::size(kChecks); ++index) {
    if (kChecks[index].body == body) return index;
  }
  return std::size(kChecks);
}

// Each body and name once, and each check needs only a check before it.
constexpr bool ChecksInRunOrder() {
  for (std::size_t index = 0; index < std::size(kChecks); ++index) {
    const CheckDefinition& check = kChecks[index];
    if (check.body == nullptr || RowWithBody(check.body) != index) return false;
    if (check.needs != nullptr && RowWithBody(check.needs) >= index) return false;
    for (std::size_t other = 0; other < index; ++other) {
      if (kChecks[other].name == check.name) return false;
    }
  }
  return true;
}
static_assert(ChecksInRunOrder(), "checks named once, in run order, each needing an earlier one");

}  // namespace

std::span<const CheckDefinition> AllChecks() {
  return kChecks;
}

std::size_t IndexOf(const CheckDefinition& check) {
  return static_cast<std::size_t>(&check - kChecks);
}

const CheckDefinition* CheckNamed(std::string_view name) {
  for (const CheckDefinition& check : kChecks) {
    if (check.name == name) return &check;
  }
  return nullptr;
}

const CheckDefinition* NeededBy(const CheckDefinition& check) {
  return check.needs != nullptr ? &kChecks[RowWithBody(check.needs)] : nullptr;
}

std::string CheckNames() {
  std::string names;
  for (const CheckDefinition& check : kChecks) {
    names += (names.empty() ? "" : ", ") + std::string(check.name);
  }
  return names;
}

std::vector<const CheckDefinition*> WithNeededChecks(
    std::span<const CheckDefinition* const> selection) {
  bool wanted[std::size(kChecks)] = {};
  for (const CheckDefinition* check : selection) wanted[IndexOf(*check)] = true;
  // Needs point backwards, so one pass from the last check reaches them all.
  for (std::size_t index = std::size(kChecks); index-- > 0;) {
    if (wanted[index] && kChecks[index].needs != nullptr)
      wanted[RowWithBody(kChecks[index].needs)] = true;
  }
  std::vector<const CheckDefinition*> run;
  for (const CheckDefinition& check : kChecks) {
    if (wanted[IndexOf(check)]) run.push_back(&check);
  }
  return run;
}
