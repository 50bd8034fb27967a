// Checks of the heap: an ordinary call makes no heap call of its own (the
// releases of owned host text aside), and many calls of each kind, or a
// load and an unload, leave the heap as they found it in blocks and bytes.
#include "tools/study-host/validate/heap_checks.h"
#include "host/heap_calls.h"
#include "host/heap_census.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/common/text_format.h"

namespace {

constexpr int kCallsEachKind = 1000;  // a leak of one block per this many calls shows
constexpr int kRounds = 3;            // a balanced round clears the kind
constexpr int kOrdinaryCallsCounted = 20;

HeapCensus CensusAfter(const judge::CallScenario& scenario, judge::StudyFunction study, int calls) {
  for (int call = 0; call < calls; ++call) {
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, study);
    study(&host.record());
  }
  return TakeHeapCensus();
}

std::string Growth(const HeapCensus& before, const HeapCensus& after) {
  return Counted(after.bytes - before.bytes, "byte", "bytes") +
         (after.blocks >= 0 ? " (" + Counted(after.blocks - before.blocks, "block", "blocks") + ")"
                            : std::string());
}

bool Balanced(const HeapCensus& before, const HeapCensus& after) {
  return after.bytes == before.bytes && after.blocks == before.blocks;
}

std::string HeapGrowth(const judge::CallScenario& scenario, judge::StudyFunction study) {
  HeapCensus before = CensusAfter(scenario, study, kCallsEachKind / 10);  // allocators settle
  for (int round = 1;; ++round) {
    const HeapCensus after = CensusAfter(scenario, study, kCallsEachKind);
    if (Balanced(before, after)) return "";
    if (round == kRounds) {
      return std::string(scenario.name) + ": the heap grows by " + Growth(before, after) +
             " every " + std::to_string(kCallsEachKind) + " calls";
    }
    before = after;
  }
}

// Loading and unloading the module again, until a round leaves the heap as
// it found it (the loader's own caches settle in the first).
std::string LoadAndUnloadGrowth(const CheckContext& context) {
  context.session->Unload();
  HeapCensus before = TakeHeapCensus();
  for (int round = 1;; ++round) {
    const std::string reason = context.session->Load(context.path, LoadDepth::kExports);
    context.session->Unload();
    if (!reason.empty()) return "loading the module again failed: " + reason;
    const HeapCensus after = TakeHeapCensus();
    if (Balanced(before, after)) return "";
    if (round == kRounds) {
      return "loading and unloading the module leaves " + Growth(before, after) + " on the heap";
    }
    before = after;
  }
}

// The module's own heap calls in one call: none but expected releases.
std::string OwnHeapCalls(const judge::CallScenario& scenario, judge::StudyFunction study,
                         std::int64_t& expected_releases) {
  StandInHost host(scenario.options);
  judge::PrepareScenario(host, scenario, study);
  heap_calls::Counts counts;
  {
    const heap_calls::ModuleCallScope scope;
    study(&host.record());
    counts = scope.counts();
  }
  expected_releases += counts.expected_releases;
  if (counts.heap_calls() == 0) return "";
  return std::string(scenario.name) + ": " +
         Counted(counts.heap_calls(), "heap call", "heap calls") + " of its own (" +
         Counted(counts.allocations, "allocation", "allocations") + ", " +
         Counted(counts.releases, "release", "releases") + "; an ordinary call makes none)";
}

}  // namespace

CheckResult CheckHeapCalls(const CheckContext& context) {
  heap_calls::WatchModule(context.session->module().library);
  if (!heap_calls::Supported()) {
    return Skipped("this build cannot count heap calls (AddressSanitizer replaces the heap)");
  }
  std::int64_t calls = 0;
  std::int64_t expected_releases = 0;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    if (scenario.defaults) continue;  // a defaults call allocates the texts it declares
    context.Announce(scenario.name);
    for (int call = 0; call < kOrdinaryCallsCounted; ++call, ++calls) {
      const std::string fault = OwnHeapCalls(scenario, context.study(), expected_releases);
      if (!fault.empty()) return Failed(fault);
    }
  }
  return Passed(std::to_string(calls) +
                " ordinary calls made no heap call of their own, and released owned host "
                "text " +
                Counted(expected_releases, "time", "times") + " as asked");
}

CheckResult CheckHeapBalance(const CheckContext& context) {
  if (!TakeHeapCensus().supported) {
    return Skipped("this build cannot count the heap (AddressSanitizer checks leaks itself)");
  }
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    const std::string growth = HeapGrowth(scenario, context.study());
    if (!growth.empty()) return Failed(growth);
  }
  context.Announce("loading and unloading the module");
  const std::string growth = LoadAndUnloadGrowth(context);
  if (!growth.empty()) return Failed(growth);
  return Passed(std::to_string(judge::CallScenarios().size()) + " kinds of call, " +
                std::to_string(kCallsEachKind * kRounds) +
                " of each, and loading and unloading the module left the heap as they found it");
}
