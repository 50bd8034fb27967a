// The checks of study-host validate: each a name a user can give, a line
// saying what it covers, the one earlier check it needs to have passed, and
// its time limit. Each runs in a child process of its own.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// In the order validate runs them.
enum class Check {
  kModuleLoads,
  kExportsResolve,
  kInterfaceVersion,
  kModuleName,
  kDeclaresStudy,
  kFloatingPointState,
  kRecordUntouched,
  kMissingHostServices,
  kHeapCalls,
  kHeapBalance,
  kThreadsAndState,
  kEdgePositions,
  kScaleOutSweep,
  kRandomizedCalls,
  kLongRun,
};

inline constexpr int kQuickCheckSeconds = 10;  // a load or a handful of calls
inline constexpr int kLongCheckSeconds = 30;   // thousands of calls
inline constexpr int kLongRunSeconds = 120;    // a million judged calls, under wine too
inline constexpr std::int32_t kLongRunCalls = 1000000;

struct CheckDefinition {
  Check check;
  std::string_view name;
  std::string_view description;
  std::optional<Check> needs;  // an earlier check that must pass first
  bool calls_study;            // needs the module loaded with its exports
  int timeout_seconds;         // default time limit
};

inline constexpr CheckDefinition kChecks[] = {
    {Check::kModuleLoads, "module-loads",
     "the module loads with every symbol bound, and unloads, without crashing or hanging",
     std::nullopt, false, kQuickCheckSeconds},
    {Check::kExportsResolve, "exports-resolve",
     "the three exports resolve, each to the module's own code", Check::kModuleLoads, false,
     kQuickCheckSeconds},
    {Check::kInterfaceVersion, "interface-version",
     "the module reports the interface version this host provides", Check::kExportsResolve, true,
     kQuickCheckSeconds},
    {Check::kModuleName, "module-name", "the module's name matches its study function's name",
     Check::kExportsResolve, true, kQuickCheckSeconds},
    {Check::kDeclaresStudy, "declares-study",
     "the defaults call declares the display name, description, host settings and six inputs",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kFloatingPointState, "floating-point-state",
     "loading, every kind of call and unloading leave the floating-point control state "
     "(rounding, flush-to-zero, exception masks) as they found it",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kRecordUntouched, "record-untouched",
     "every kind of call writes only the record fields its kind may write",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kMissingHostServices, "missing-host-services",
     "hosts without an input array or without services, and a null record, are handled",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kHeapCalls, "heap-calls",
     "an ordinary call of any kind makes no heap call of its own, but releases the owned host "
     "text it is given",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kHeapBalance, "heap-balance",
     "thousands of calls of every kind, and loading and unloading the module, leave the heap as "
     "they found it, in blocks and bytes",
     Check::kInterfaceVersion, true, kLongCheckSeconds},
    {Check::kThreadsAndState, "threads-and-state",
     "no thread after loading, any kind of call or unloading; no record changed after its call "
     "returned",
     Check::kInterfaceVersion, true, kQuickCheckSeconds},
    {Check::kEdgePositions, "edge-positions",
     "positions and percentages at the int32 and float edges give exactly the rules' quantity",
     Check::kInterfaceVersion, true, kLongCheckSeconds},
    {Check::kScaleOutSweep, "scale-out-sweep",
     "every whole and quarter size to 10,000 and around every power of two, at every "
     "percentage from 1 to 100, both roundings, give exactly the rules' quantity",
     Check::kInterfaceVersion, true, kLongCheckSeconds},
    {Check::kRandomizedCalls, "randomized-calls",
     "seeded random hosts, type codes, inputs, positions and flags, every call judged",
     Check::kInterfaceVersion, true, kLongCheckSeconds},
    {Check::kLongRun, "long-run",
     "a million consecutive random calls on one loaded module, every one judged, so state kept "
     "across calls shows",
     Check::kRandomizedCalls, true, kLongRunSeconds},
};

// The table lists every check once, in the enumeration's order, and each
// check needs only a check that runs before it.
constexpr bool ChecksInRunOrder() {
  for (std::size_t index = 0; index < std::size(kChecks); ++index) {
    const CheckDefinition& check = kChecks[index];
    if (static_cast<std::size_t>(check.check) != index) return false;
    if (check.needs && static_cast<std::size_t>(*check.needs) >= index) return false;
  }
  return true;
}
static_assert(ChecksInRunOrder(), "checks in run order, each needing an earlier one");

inline constexpr const CheckDefinition& DefinitionOf(Check check) {
  return kChecks[static_cast<std::size_t>(check)];
}

// The check called `name`, or none.
std::optional<Check> CheckNamed(std::string_view name);

// Every check's name, in run order, separated by ", ".
std::string CheckNames();

// The checks in `selection` and every check they need, in run order.
std::vector<Check> WithNeededChecks(std::span<const Check> selection);
