// Calls on several threads at once, each thread with hosts, records and
// settings of its own, every call judged: a module that keeps state shared
// across calls (a scratch record, the current record's address) gives one
// thread's answer to another.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/host_thread.h"
#include "host/stand_in_host.h"
#include "host/thread_census.h"
#include "host/thread_with_stack.h"
#include "judge/call_judge.h"
#include "judge/call_probes.h"
#include "judge/random_calls.h"
#include "judge/record_guard.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/validate/concurrency_checks.h"

namespace {

constexpr int kThreads = 4;

// Lets the threads start calling together. Not std::latch: with mingw-w64's
// runtime (no futex) its wait is a spin-and-sleep pool, and under wine one
// thread once waited there for good.
class StartLine {
 public:
  explicit StartLine(int threads) : waiting_for_(threads) {}
  void Arrive() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (--waiting_for_ <= 0) all_in_.notify_all();
  }
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (--waiting_for_ <= 0) {
      all_in_.notify_all();
      return;
    }
    all_in_.wait(lock, [this] { return waiting_for_ <= 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable all_in_;
  int waiting_for_;
};
constexpr std::int32_t kCallsEach = 5000;

// What each call of a thread's run does when made alone, before any thread
// runs: what the same call must do on a thread among others.
using Outcomes = std::vector<std::string>;

// Thread `thread`'s calls made alone; "" when every one was judged right.
std::string CallsMadeAlone(const judge::JudgedStudy& study, std::uint64_t seed, int thread,
                           Outcomes& outcomes) {
  outcomes.resize(kCallsEach);
  judge::CallScratch scratch;
  for (std::int32_t call = 0; call < kCallsEach; ++call) {
    judge::RandomCall made;
    const std::string fault =
        judge::MakeRandomCall(study, seed, call, outcomes[call], made, &scratch);
    if (!fault.empty()) {
      return "thread " + std::to_string(thread + 1) + "'s call " + std::to_string(call + 1) +
             " made alone: " + fault;
    }
  }
  return "";
}

// One thread's calls: "" when every one was judged right and did what it
// did alone, else the first fault, placed. Stops early once another thread
// found one.
std::string CallsOfOneThread(const judge::JudgedStudy& study, std::uint64_t seed, int thread,
                             const Outcomes& alone, StartLine& start, std::atomic<bool>& stop) {
  start.ArriveAndWait();  // every thread calls at once
  judge::CallScratch scratch;
  for (std::int32_t call = 0; call < kCallsEach && !stop.load(std::memory_order_relaxed); ++call) {
    std::string outcome;
    judge::RandomCall made;
    std::string fault = judge::MakeRandomCall(study, seed, call, outcome, made, &scratch);
    if (fault.empty() && outcome != alone[call]) {
      fault = judge::OutcomeDifference(alone[call], outcome) + " (made alone, before)";
    }
    if (!fault.empty()) {
      stop = true;
      return "thread " + std::to_string(thread + 1) + ", call " + std::to_string(call + 1) +
             " (position " + FormatPosition(made.position) + (made.defaults ? ", defaults" : "") +
             "): " + fault;
    }
  }
  return "";
}

}  // namespace

CheckResult CheckCallsOnThreads(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  std::vector<Outcomes> alone(kThreads);
  for (int thread = 0; thread < kThreads; ++thread) {
    context.Announce("thread " + std::to_string(thread + 1) + "'s calls made alone");
    const std::string fault =
        CallsMadeAlone(study, context.seed + 7 + thread, thread, alone[thread]);
    if (!fault.empty()) return Failed(fault);
  }
  context.Announce("calls on " + std::to_string(kThreads) + " threads at once");
  StartLine start(kThreads);
  std::atomic<bool> stop{false};
  std::vector<std::string> faults(kThreads);
  std::vector<std::thread> threads;
  const int threads_before = ThreadsInProcess();
  for (int thread = 0; thread < kThreads; ++thread) {
    // Each on a host-sized stack, a stack overflow there named as one.
    threads.emplace_back([&, thread] {
      PrepareHostThread();  // starting the next thread is the tool's own work
      const bool ran = RunOnThreadWithStack(kHostThreadStackBytes, [&] {
        PrepareHostThread();  // first: what follows may open files
        PrepareThreadForCrash();
        faults[thread] =
            CallsOfOneThread(study, context.seed + 7 + thread, thread, alone[thread], start, stop);
      });
      if (!ran) {
        start.Arrive();  // so the others do not wait for it
        faults[thread] = "the tool could not start a thread with a host's stack";
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  AwaitJoinedThreadsGone(threads_before);
  for (const std::string& fault : faults) {
    if (!fault.empty()) return Failed("calls on several threads at once: " + fault);
  }
  return Passed(std::to_string(kThreads) + " threads at once, " + std::to_string(kCallsEach) +
                " random calls each, every call judged right and doing what it did alone");
}
