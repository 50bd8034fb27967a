// Checks of what a module keeps: no thread of its own, no hold on a record
// once its call returned, nothing running after it is unloaded, and no
// state that changes its answers over a long run of calls.
#include <chrono>
#include <thread>

#include "host/process_census.h"
#include "host/stand_in_host.h"
#include "host/thread_census.h"
#include "judge/call_judge.h"
#include "judge/call_scenarios.h"
#include "judge/record_guard.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/validate/call_checks.h"
#include "tools/study-host/validate/state_checks.h"

namespace {

// What the host's own allocations may move the memory outside the heap by.
constexpr std::int64_t kMostMemoryGrowthOverLongRun = std::int64_t{4} << 20;
// How long a record stays watched after its call returned.
constexpr std::chrono::milliseconds kWatchAfterReturn{20};
// How long the child lives on after the module is unloaded.
constexpr std::chrono::milliseconds kWatchAfterUnload{100};

std::string ThreadsLeft(int before, const std::string& when) {
  const int now = ThreadsInProcess();
  if (now == before) return "";
  return when + " the process runs " + Counted(now, "thread", "threads") + ", " +
         std::to_string(before) + " before loading (the study starts none)";
}

}  // namespace

std::string ThreadsLeftBy(const CheckContext& context, const std::string& when) {
  if (context.threads_before_load < 0) return "";
  return ThreadsLeft(context.threads_before_load, when);
}

CheckResult CheckThreadsAndState(const CheckContext& context) {
  const int before = context.threads_before_load;
  if (before < 0) return Skipped("this system cannot count a process's threads");
  std::string fault = ThreadsLeft(before, "after loading the module");
  if (!fault.empty()) return Failed(fault);
  // Loading may bring the module's image and libraries, and what it holds
  // until it is unloaded; a call may change nothing.
  fault = context.ProcessChanges(CensusScope::kModuleLoaded);
  if (!fault.empty()) return Failed("loading the module changed the process: " + fault);
  const ProcessCensus after_load = CensusWithFloatingPointState();
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, context.study());
    context.study()(&host.record());
    const judge::RecordImage returned = judge::TakeRecordImage(host);
    std::this_thread::sleep_for(kWatchAfterReturn);
    const std::string changed = judge::FirstChangedField(
        host, returned, judge::CurrentRecordBytes(host), context.study().declaration);
    if (!changed.empty()) {
      return Failed(std::string(scenario.name) + ": " + changed + " after the call returned");
    }
    fault = ThreadsLeft(before, std::string("after an ") + scenario.name + ",");
    if (!fault.empty()) return Failed(fault);
    fault = CensusChangeWords(after_load, CensusWithFloatingPointState(), CensusScope::kWhole);
    if (!fault.empty())
      return Failed(std::string(scenario.name) + " changed the process: " + fault);
  }
  context.session->Unload();
  context.Announce("the time after unloading the module");
  std::this_thread::sleep_for(kWatchAfterUnload);
  fault = ThreadsLeft(before, "after unloading the module");
  if (!fault.empty()) return Failed(fault);
  return Passed(
      "the process as before loading after loading, but for what the module holds "
      "until it is unloaded, and unchanged by " +
      std::to_string(judge::CallScenarios().size()) +
      " kinds of call; no thread after unloading; no record changed after its call "
      "returned");
}

// A million random calls on one loaded module, every one judged; the memory
// mapped outside the heap after them is what it was after the first
// hundred thousand (a module that maps memory for each position it meets).
CheckResult CheckLongRun(const CheckContext& context) {
  std::int64_t memory_after_first = -1;
  const std::string fault =
      JudgedRandomCalls(context, {.seed = context.seed + 1,
                                  .calls = kLongRunCalls,
                                  .announce_every = 100000,
                                  .name = "long-run calls",
                                  .probe_every = 50000,
                                  .after_each_announced = [&memory_after_first](std::int32_t call) {
                                    if (call == 100001) memory_after_first = PrivateMemoryBytes();
                                  }});
  if (!fault.empty()) return Failed(fault);
  const std::int64_t grown = PrivateMemoryBytes() - memory_after_first;
  if (memory_after_first >= 0 && grown > kMostMemoryGrowthOverLongRun) {
    return Failed("over 900000 calls it left " + std::to_string(grown / 1024) +
                  " KB more memory mapped outside the heap, which it never gives back");
  }
  return Passed(std::to_string(kLongRunCalls) +
                " consecutive random calls on one loaded module judged right");
}
