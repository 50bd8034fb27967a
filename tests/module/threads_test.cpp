// The study called for different records on different threads at once,
// built under ThreadSanitizer: a race on state the calls share (there must
// be none) ends the test with the sanitizer's report.
#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/judged_study.h"
#include "judge/random_calls.h"
#include "judge/record_guard.h"
#include "study/study_exports.h"

namespace {

constexpr int kThreads = 4;
constexpr int kCallsEach = 5000;

TEST(StudyOnThreadsTest, RandomCallsOnFourThreadsAtOnceAreEachJudgedRight) {
  const judge::JudgedStudy study = judge::JudgeStudy("scsf_zrPalvessa", &scsf_zrPalvessa);
  std::latch start(kThreads);
  std::vector<std::string> faults(kThreads);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      judge::SeededChoices choices(2683 + thread);
      start.arrive_and_wait();
      for (int call = 1; call <= kCallsEach && faults[thread].empty(); ++call) {
        StandInHost host(judge::RandomHostOptions(choices));
        judge::PrepareRandomCall(host, study.declaration, choices);
        faults[thread] = judge::MakeJudgedCall(host, study, judge::FillPatternFor(call));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int thread = 0; thread < kThreads; ++thread) EXPECT_EQ(faults[thread], "") << thread;
}

}  // namespace
