// Every ordinary call call-speed makes is timed on its own, so that one slow
// call among thousands (a stall now and then, a slow first call) is named
// with its time, and judged by what a busy machine cannot make of a sound
// call:
// - the time a call kept the host waiting: its wall time, less the time it
//   waited, ready to run, for a processor (natively the scheduler's own
//   account; on Windows, which does not tell it, the wall time itself).
//   Above 100 ms a call stalled. A call's own processor time is no better a
//   measure at the speed bound: the interrupts the thread's processor takes
//   and a virtual machine's stolen time are counted to it (one call of a
//   sound 200 ns study once took 160 us of it).
// - a stall the wait told does not explain may still be the machine's: a
//   thread kept off the processors where the wait is not told (wine on a
//   loaded machine once held a sound call 260 ms), or time a virtual
//   machine's host took. So the calls are timed again in a fresh load of
//   the module, and a stall fails only when it comes again: a module that
//   stalls (every so many calls, or in its first call) does so in every
//   load, a machine seldom twice.
// - a module a little slow in every call (a sleep, a lock): each kind's
//   batches of 50 calls, the fastest kept, within the speed bound a call. A
//   busy machine slows some batches, a slow module every one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
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
  // As the slowest call by the time it kept the host waiting: too long.
  bool Stalled() const { return nanoseconds > kLongestWaitNanoseconds; }
};

// A test's hook: the environment variable names a call at which the timer
// holds the first load's calls up once for 150 ms, outside the module, as a
// machine that takes the processor away would.
constexpr char kHeldUpCallVariable[] = "STUDY_HOST_TEST_HOLD_UP_CALL";
constexpr auto kHeldUpFor = std::chrono::milliseconds(150);

// The call the hook names; 0 for none.
std::int64_t HeldUpCall() {
  const char* named = std::getenv(kHeldUpCallVariable);
  return named == nullptr ? 0 : std::strtoll(named, nullptr, 10);
}

class CallTimer {
 public:
  CallTimer(judge::StudyFunction study, std::int64_t held_up_call)
      : study_(study), held_up_call_(held_up_call) {}

  // One batch of a kind's calls, each timed; gives its time a call.
  double Batch(TimedKind& kind) {
    std::int64_t wall = 0;
    for (int call = 0; call < kCallsPerBatch; ++call) {
      const std::int64_t waited_before = TimeWaitedForProcessor();
      const Clock::time_point start = Clock::now();
      study_(&kind.host->record());
      ++calls_;
      if (calls_ == held_up_call_) std::this_thread::sleep_for(kHeldUpFor);
      const Clock::time_point end = Clock::now();
      const std::int64_t waited_after = TimeWaitedForProcessor();
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

  std::int64_t calls() const { return calls_; }
  const SlowestCall& kept_waiting() const { return kept_waiting_; }

 private:
  judge::StudyFunction study_;
  std::int64_t held_up_call_;
  std::int64_t calls_ = 0;
  SlowestCall kept_waiting_;
};

// One timing of the module's calls, in one load of it.
struct CallTiming {
  // A kind slow in every call, in words (and any stalled call after it);
  // "" when none is.
  std::string slow_kind;
  SlowestCall kept_waiting;
  std::int64_t calls = 0;
  std::size_t kinds = 0;
  const char* slowest_kind = "";
  double slowest_kind_batch = -1;  // nanoseconds a call, in its fastest batch
};

// The call that kept the host waiting longest, in words, once it stalled.
std::string StalledCall(const SlowestCall& call) {
  return call.Named() + " kept the host waiting " +
         Duration(static_cast<double>(call.nanoseconds)) + ", above the " +
         Duration(kLongestWaitNanoseconds) +
         " a call may (the host calls a study on the thread that draws its charts)";
}

// Times every kind of ordinary call, on hosts of its own, until a kind is
// slow in every call, a call stalls, or the calls are made.
CallTiming TimeCalls(const CheckContext& context, std::int64_t held_up_call) {
  std::vector<TimedKind> kinds;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    if (scenario.defaults) continue;  // made once, when the study is added to a chart
    context.Announce(std::string("preparing to time ") + scenario.name);
    TimedKind& kind = kinds.emplace_back(TimedKind{&scenario, nullptr});
    kind.host = std::make_unique<StandInHost>(scenario.options);
    judge::PrepareScenario(*kind.host, scenario, context.study());
  }
  CallTimer timer(context.study(), held_up_call);
  CallTiming timing;
  const auto done = [&] {
    timing.kept_waiting = timer.kept_waiting();
    timing.calls = timer.calls();
    timing.kinds = kinds.size();
    return timing;
  };
  // Each kind, until a batch is within the bound.
  for (TimedKind& kind : kinds) {
    context.Announce(std::string("timing ") + kind.scenario->name);
    for (int batch = 0; batch < kBatchesToBeFast; ++batch) {
      if (timer.Batch(kind) <= static_cast<double>(kMostNanosecondsPerCall)) break;
    }
    // A kind slow in every call is named first: what stalled one of its
    // calls (a sleep on a busy machine, say) may be that very slowness.
    const bool stalled = timer.kept_waiting().Stalled();
    if (kind.fastest_batch > static_cast<double>(kMostNanosecondsPerCall)) {
      timing.slow_kind = std::string(kind.scenario->name) + " takes " +
                         Duration(kind.fastest_batch) + " a call at best, above the " +
                         Duration(static_cast<double>(kMostNanosecondsPerCall)) +
                         " a call may take (the host calls a study on every chart update)" +
                         (stalled ? "; and " + StalledCall(timer.kept_waiting()) : "");
    }
    if (!timing.slow_kind.empty() || stalled) return done();
  }
  // Then every kind in turn, until the calls are made, each one judged.
  context.Announce("timing every kind of call in turn");
  while (timer.calls() < kCallSpeedTimedCalls && !timer.kept_waiting().Stalled()) {
    for (TimedKind& kind : kinds) timer.Batch(kind);
  }
  for (const TimedKind& kind : kinds) {
    if (kind.fastest_batch <= timing.slowest_kind_batch) continue;
    timing.slowest_kind_batch = kind.fastest_batch;
    timing.slowest_kind = kind.scenario->name;
  }
  return done();
}

CheckResult SlowCalls(const std::string& detail) {
  return Failed("slow calls: " + detail);
}

// The calls' speed, as a passing check says it.
std::string Summary(const CallTiming& timing) {
  return std::to_string(timing.calls) + " ordinary calls of " + std::to_string(timing.kinds) +
         " kinds, each timed: at most " + Duration(timing.slowest_kind_batch) +
         " a call at best (" + timing.slowest_kind + "), the slowest call " +
         Duration(static_cast<double>(timing.kept_waiting.nanoseconds)) + " (a call may take " +
         Duration(static_cast<double>(kMostNanosecondsPerCall)) + ", and keep the host waiting " +
         Duration(static_cast<double>(kLongestWaitNanoseconds)) + ")";
}

// A stalled call, briefly: "call 19676 (ordinary call, flat), 260.2 ms".
std::string Briefly(const SlowestCall& call) {
  return call.Named() + ", " + Duration(static_cast<double>(call.nanoseconds));
}

}  // namespace

CheckResult CheckCallSpeed(const CheckContext& context) {
  const CallTiming first = TimeCalls(context, HeldUpCall());
  if (!first.slow_kind.empty()) return SlowCalls(first.slow_kind);
  if (!first.kept_waiting.Stalled()) return Passed(Summary(first));
  context.Announce("a call stalled: unloading the module, to time its calls again in a fresh load");
  context.session->Unload();
  const std::string reason =
      context.session->Load(context.path, LoadDepth::kExports, context.study_name);
  if (!reason.empty())
    return Failed("loaded afresh to time its calls again, it does not load: " + reason);
  // The study function stays behind the session's guard, whose address does
  // not change from one load to the next.
  const CallTiming again = TimeCalls(context, 0);
  if (!again.slow_kind.empty()) return SlowCalls(again.slow_kind);
  if (again.kept_waiting.Stalled()) {
    return SlowCalls(
        StalledCall(first.kept_waiting) +
        "; timed again in a fresh load, it stalled again: " + Briefly(again.kept_waiting));
  }
  return Passed(Summary(again) + "; in the module's first load " + first.kept_waiting.Named() +
                " kept the host waiting " +
                Duration(static_cast<double>(first.kept_waiting.nanoseconds)) +
                " once, and timed again in a fresh load no call did (the machine held it up, "
                "not the module)");
}
