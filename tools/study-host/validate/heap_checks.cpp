// Checks of the heap: many calls of each kind leave it as they found it.
#include "host/heap_census.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/validate/check_bodies.h"

namespace {

HeapCensus CensusAfter(const judge::CallScenario& scenario, judge::StudyFunction study, int calls) {
  for (int call = 0; call < calls; ++call) {
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, study);
    study(&host.record());
  }
  return TakeHeapCensus();
}

std::string HeapGrowth(const judge::CallScenario& scenario, judge::StudyFunction study) {
  constexpr int kCalls = 200;
  constexpr int kRounds = 4;
  HeapCensus before = CensusAfter(scenario, study, kCalls);  // lets the allocators settle
  for (int round = 1;; ++round) {
    const HeapCensus after = CensusAfter(scenario, study, kCalls);
    if (after.bytes == before.bytes && after.blocks == before.blocks) return "";
    if (round == kRounds) {
      return std::string(scenario.name) + ": the heap grows by " +
             std::to_string(after.bytes - before.bytes) + " bytes" +
             (after.blocks >= 0 ? " (" + std::to_string(after.blocks - before.blocks) + " blocks)"
                                : std::string()) +
             " every " + std::to_string(kCalls) + " calls";
    }
    before = after;
  }
}

}  // namespace

CheckResult CheckHeapBalance(const CheckContext& context) {
  if (!TakeHeapCensus().supported) {
    return Skipped("this build cannot count the heap (AddressSanitizer checks leaks itself)");
  }
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    const std::string growth = HeapGrowth(scenario, context.study());
    if (!growth.empty()) return Failed(growth);
  }
  return Passed(std::to_string(judge::CallScenarios().size()) +
                " kinds of call, hundreds of each, left the heap as they found it");
}
