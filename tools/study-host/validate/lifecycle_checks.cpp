// A host reloads its studies, runs in a second instance, and ends the
// threads that called a study when it pleases. A module that keeps a guard
// across loads or processes, or leaves a callback for a thread's end,
// breaks there.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/host_thread.h"
#include "host/stand_in_host.h"
#include "host/thread_census.h"
#include "judge/call_judge.h"
#include "judge/call_probes.h"
#include "judge/call_scenarios.h"
#include "judge/record_guard.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/validate/lifecycle_checks.h"

namespace {

// How long each load stays in use, so that two processes started together
// have the module loaded at the same time.
constexpr std::chrono::milliseconds kInUse{300};
constexpr int kHostThreads = 4;

// What each kind of call did, in the order of CallScenarios().
using KindOutcomes = std::vector<std::string>;

// Every kind of call judged, again and again for kInUse; "" or the first
// fault, placed by `when`. The first round's outcomes go to `outcomes`,
// or, when it already holds some, are held to them.
std::string JudgedCallsOfEveryKind(const CheckContext& context, const std::string& when,
                                   KindOutcomes& outcomes) {
  const judge::JudgedStudy& study = context.study();
  const bool compare = !outcomes.empty();
  const auto until = std::chrono::steady_clock::now() + kInUse;
  std::size_t call = 0;
  do {
    for (std::size_t kind = 0; kind < judge::CallScenarios().size(); ++kind) {
      const judge::CallScenario& scenario = judge::CallScenarios()[kind];
      context.Announce(when + scenario.name);
      StandInHost host(scenario.options);
      judge::PrepareScenario(host, scenario, study);
      std::string outcome;
      std::string fault = judge::MakeJudgedCall(host, study, judge::FillPatternFor(kind), &outcome);
      const bool first_round = call < judge::CallScenarios().size();
      if (fault.empty() && first_round && compare && outcome != outcomes[kind]) {
        fault = judge::OutcomeDifference(outcomes[kind], outcome) + " when loaded first";
      }
      if (!fault.empty()) return when + scenario.name + ": " + fault;
      if (first_round && !compare) outcomes.push_back(outcome);
      ++call;
    }
  } while (std::chrono::steady_clock::now() < until);
  return "";
}

// The outcomes as a short digest, for two processes to compare.
std::string Digest(const KindOutcomes& outcomes) {
  std::string all;
  for (const std::string& outcome : outcomes) all += outcome + '\n';
  return std::to_string(std::hash<std::string>{}(all));
}

// A call made on a host thread, its record kept as it was when the call
// returned.
struct CallOnThread {
  std::string where;
  StandInHost* host;
  judge::RecordImage returned;
};

// The first record of an earlier call changed since its call returned, in
// words; "" when none.
std::string EarlierHostRecordChanged(const std::vector<CallOnThread>& earlier,
                                     const judge::Declaration& declaration) {
  for (const CallOnThread& call : earlier) {
    const std::string changed = judge::FirstChangedField(
        *call.host, call.returned, judge::CurrentRecordBytes(*call.host), declaration);
    if (!changed.empty()) return "the record of an earlier call (" + call.where + "): " + changed;
  }
  return "";
}

// Lets threads wait for the word to end.
class Gate {
 public:
  void Open() {
    const std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  void WaitOpen() {
    std::unique_lock<std::mutex> lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

}  // namespace

CheckResult CheckLoadsAgain(const CheckContext& context) {
  KindOutcomes outcomes;
  std::string fault = JudgedCallsOfEveryKind(context, "", outcomes);
  if (!fault.empty()) return Failed(fault);
  context.session->Unload();
  const std::string reason =
      context.session->Load(context.path, LoadDepth::kExports, context.study_name);
  if (!reason.empty()) return Failed("loaded a second time, it does not load: " + reason);
  // The study function stays behind the session's guard, whose address does
  // not change from one load to the next.
  fault = JudgedCallsOfEveryKind(context, "loaded a second time, ", outcomes);
  if (!fault.empty()) return Failed(fault);
  CheckResult passed = Passed(
      "loaded a second time, and in two processes at once, every kind of call judged "
      "right and doing what it did when loaded first");
  passed.evidence = Digest(outcomes);
  return passed;
}

CheckResult CheckThreadsOutliveModule(const CheckContext& context) {
  const int threads_before = ThreadsInProcess();
  Gate all_called;
  Gate end;
  std::mutex state_mutex;  // the turn to call, the records and the counts
  std::vector<CallOnThread> earlier;
  std::string fault;
  int calling = kHostThreads;
  int holding_hosts = kHostThreads;
  std::condition_variable hosts_gone;
  std::vector<std::thread> threads;
  context.Announce("calls on host threads that live on");
  for (int index = 0; index < kHostThreads; ++index) {
    threads.emplace_back([&, index] {
      PrepareHostThread();
      PrepareThreadForCrash();
      std::vector<std::unique_ptr<StandInHost>> hosts;  // made here, released here, last first
      for (const judge::CallScenario& scenario : judge::CallScenarios()) {
        // One call at a time, so a write into a record is the calling one's.
        const std::lock_guard<std::mutex> turn(state_mutex);
        hosts.push_back(std::make_unique<StandInHost>(scenario.options));
        StandInHost& host = *hosts.back();
        judge::PrepareScenario(host, scenario, context.study());
        const std::string where =
            "on host thread " + std::to_string(index + 1) + ", " + scenario.name;
        const std::string wrong = judge::MakeJudgedCall(
            host, context.study(), judge::FillPatternFor(static_cast<std::size_t>(index)));
        const std::string late = EarlierHostRecordChanged(earlier, context.study().declaration);
        if (fault.empty() && !wrong.empty()) fault = where + ": " + wrong;
        if (fault.empty() && !late.empty()) {
          fault =
              where + " wrote into " + late + " (a study keeps no record once its call returned)";
        }
        earlier.push_back({where, &host, judge::TakeRecordImage(host)});
      }
      {
        const std::lock_guard<std::mutex> lock(state_mutex);
        if (--calling == 0) all_called.Open();
      }
      all_called.WaitOpen();  // every record stays until every call was made
      while (!hosts.empty()) hosts.pop_back();
      {
        const std::lock_guard<std::mutex> lock(state_mutex);
        --holding_hosts;
        hosts_gone.notify_all();
      }
      end.WaitOpen();
    });
  }
  {
    std::unique_lock<std::mutex> lock(state_mutex);
    hosts_gone.wait(lock, [&] { return holding_hosts == 0; });
  }
  context.session->Unload();
  context.Announce(
      "the end of host threads that called the module, after it was unloaded (a per-thread "
      "callback it left behind runs then)");
  end.Open();
  for (std::thread& thread : threads) thread.join();
  AwaitJoinedThreadsGone(threads_before);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!fault.empty()) return Failed(fault);
  return Passed(std::to_string(kHostThreads) +
                " host threads called every kind of call and ended after the module was "
                "unloaded, leaving nothing of it to run");
}
