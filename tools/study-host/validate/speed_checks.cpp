// Every ordinary call call-speed makes is timed on its own, so that one slow
// call among thousands (a stall now and then, a slow first call) is named
// with its time, and judged by what a busy machine cannot make of a sound
// call:
// - the time a call kept the host waiting: its wall time, less the time it
//   waited, ready to run, for a processor (natively the scheduler's own
//   account; on Windows, which does not tell it, the wall time itself).
//   Above 100 ms a call stalled: no busy machine keeps a ready thread off
//   every processor that long, and where the wait is told it is taken off.
//   A call's own processor time is no better a measure at the speed bound:
//   the interrupts the thread's processor takes and a virtual machine's
//   stolen time are counted to it (one call of a sound 200 ns study once
//   took 160 us of it).
// - a module a little slow in every call (a sleep, a lock): each kind's
//   batches of 50 calls, the fastest kept, within the speed bound a call. A
//   busy machine slows some batches, a slow module every one.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "host/thread_times.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/validate/speed_checks.h"

namespace {

using Clock = std::chrono::steady_clock;

// The longest a call may keep the host waiting (see above).
constexpr std::int64_t kLongestWaitNanoseconds = 100000000;
constexpr int kCallsPerBatch = 50;
constexpr int kBatchesToBeFast = 10;  // to find a kind's fastest batch within the bound

std::string Duration(double nanoseconds) {
  char text[32];
  if (nanoseconds >= 1e9) {
    std::snprintf(text, sizeof text, "%.1f s", nanoseconds / 1e9);
  } else if (nanoseconds >= 1e6) {
    std::snprintf(text, sizeof text, "%.1f ms", nanoseconds / 1e6);
  } else if (nanoseconds >= 1e3) {
    std::snprintf(text, sizeof text, "%.1f us", nanoseconds / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.0f ns", nanoseconds);
  }
  return text;
}

// One kind of ordinary call, on a host prepared for it once.
struct TimedKind {
  const judge::CallScenario* scenario;
  std::unique_ptr<StandInHost> host;
  double fastest_batch = -1;  // nanoseconds a call, in its fastest batch so far
};

// The slowest call by one measure, and which it was.
struct SlowestCall {
  std::int64_t nanoseconds = -1;
  std::int64_t number = 0;
  const char* kind = "";

  void Note(std::int64_t measured, std::int64_t call, const char* name) {
    if (measured <= nanoseconds) return;
    nanoseconds = measured;
    number = call;
    kind = name;
  }
  std::string Named() const {
    return (number == 1 ? std::string("the first call") : "call " + std::to_string(number)) + " (" +
           kind + ")";
  }
};

class CallTimer {
 public:
  explicit CallTimer(judge::StudyFunction study) : study_(study) {}

  // One batch of a kind's calls, each timed; gives its time a call.
  double Batch(TimedKind& kind) {
    std::int64_t wall = 0;
    for (int call = 0; call < kCallsPerBatch; ++call) {
      const std::int64_t waited_before = TimeWaitedForProcessor();
      const Clock::time_point start = Clock::now();
      study_(&kind.host->record());
      const Clock::time_point end = Clock::now();
      const std::int64_t waited_after = TimeWaitedForProcessor();
      ++calls_;
      const std::int64_t took = std::chrono::nanoseconds(end - start).count();
      wall += took;
      const bool waits_told = waited_before >= 0 && waited_after >= 0;
      kept_waiting_.Note(took - (waits_told ? waited_after - waited_before : 0), calls_,
                         kind.scenario->name);
    }
    const double per_call = static_cast<double>(wall) / kCallsPerBatch;
    if (kind.fastest_batch < 0 || per_call < kind.fastest_batch) kind.fastest_batch = per_call;
    return per_call;
  }

  // The call that kept the host waiting longest, in words, once it kept it
  // waiting too long; "" while none has.
  std::string StalledCall() const {
    if (kept_waiting_.nanoseconds > kLongestWaitNanoseconds) {
      return kept_waiting_.Named() + " kept the host waiting " +
             Duration(static_cast<double>(kept_waiting_.nanoseconds)) + ", above the " +
             Duration(kLongestWaitNanoseconds) +
             " a call may (the host calls a study on the thread that draws its charts)";
    }
    return "";
  }

  std::int64_t calls() const { return calls_; }
  const SlowestCall& kept_waiting() const { return kept_waiting_; }

 private:
  judge::StudyFunction study_;
  std::int64_t calls_ = 0;
  SlowestCall kept_waiting_;
};

}  // namespace

CheckResult CheckCallSpeed(const CheckContext& context) {
  std::vector<TimedKind> kinds;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    if (scenario.defaults) continue;  // made once, when the study is added to a chart
    context.Announce(std::string("preparing to time ") + scenario.name);
    TimedKind& kind = kinds.emplace_back(TimedKind{&scenario, nullptr});
    kind.host = std::make_unique<StandInHost>(scenario.options);
    judge::PrepareScenario(*kind.host, scenario, context.study());
  }
  CallTimer timer(context.study());
  // Each kind, until a batch is within the bound.
  for (TimedKind& kind : kinds) {
    context.Announce(std::string("timing ") + kind.scenario->name);
    for (int batch = 0; batch < kBatchesToBeFast; ++batch) {
      if (timer.Batch(kind) <= static_cast<double>(kMostNanosecondsPerCall)) break;
    }
    // A kind slow in every call is named first: what stalled one of its
    // calls (a sleep on a busy machine, say) may be that very slowness.
    const std::string stalled = timer.StalledCall();
    if (kind.fastest_batch > static_cast<double>(kMostNanosecondsPerCall)) {
      return Failed("slow calls: " + std::string(kind.scenario->name) + " takes " +
                    Duration(kind.fastest_batch) + " a call at best, above the " +
                    Duration(static_cast<double>(kMostNanosecondsPerCall)) +
                    " a call may take (the host calls a study on every chart update)" +
                    (stalled.empty() ? "" : "; and " + stalled));
    }
    if (!stalled.empty()) return Failed("slow calls: " + stalled);
  }
  // Then every kind in turn, until the calls are made, each one judged.
  context.Announce("timing every kind of call in turn");
  while (timer.calls() < kCallSpeedTimedCalls) {
    for (TimedKind& kind : kinds) timer.Batch(kind);
    const std::string stalled = timer.StalledCall();
    if (!stalled.empty()) return Failed("slow calls: " + stalled);
  }
  const TimedKind* slowest = &kinds.front();
  for (const TimedKind& kind : kinds) {
    if (kind.fastest_batch > slowest->fastest_batch) slowest = &kind;
  }
  return Passed(
      std::to_string(timer.calls()) + " ordinary calls of " + std::to_string(kinds.size()) +
      " kinds, each timed: at most " + Duration(slowest->fastest_batch) + " a call at best (" +
      slowest->scenario->name + "), the slowest call " +
      Duration(static_cast<double>(timer.kept_waiting().nanoseconds)) + " (a call may take " +
      Duration(static_cast<double>(kMostNanosecondsPerCall)) + ", and keep the host waiting " +
      Duration(static_cast<double>(kLongestWaitNanoseconds)) + ")");
}
