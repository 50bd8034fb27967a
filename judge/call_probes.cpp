#include "judge/call_probes.h"

#include "judge/call_judge.h"
#include "judge/record_guard.h"

namespace judge {
namespace {

// The part of an outcome that is shown: up to its first zero byte.
std::string Shown(const std::string& outcome) {
  return outcome.substr(0, outcome.find('\0'));
}

}  // namespace

std::uint64_t CallSeed(std::uint64_t seed, std::int64_t call) {
  // Mixed: calls of nearby seeds draw unrelated choices.
  return SplitMix(seed + kSplitMixIncrement * static_cast<std::uint64_t>(call + 1));
}

std::string MakeRandomCall(const JudgedStudy& study, std::uint64_t seed, std::int64_t call,
                           std::string& outcome, RandomCall& made, CallScratch* scratch) {
  SeededChoices choices(CallSeed(seed, call));
  StandInHost host(RandomHostOptions(choices));
  made = PrepareRandomCall(host, study.declaration, choices);
  return MakeJudgedCall(host, study, FillPatternFor(static_cast<std::size_t>(call)), &outcome,
                        scratch);
}

void CallProbes::Note(std::int64_t call, const std::string& outcome) {
  if (call == static_cast<std::int64_t>(outcomes_.size()) && call < count_) {
    outcomes_.push_back(outcome);
  }
}

std::string CallProbes::Remake(const JudgedStudy& study, const std::string& when) const {
  for (std::size_t call = 0; call < outcomes_.size(); ++call) {
    std::string outcome;
    RandomCall made;
    const auto index = static_cast<std::int64_t>(call);
    const std::string fault = MakeRandomCall(study, seed_, index, outcome, made);
    if (!fault.empty()) {
      return "call " + std::to_string(call + 1) + " made again " + when + ": " + fault;
    }
    if (outcome != outcomes_[call]) {
      return "call " + std::to_string(call + 1) + " made again " + when + " " +
             OutcomeDifference(outcomes_[call], outcome) +
             " (a study's call depends on its record alone: it keeps nothing between calls)";
    }
  }
  return "";
}

std::string OutcomeDifference(const std::string& before, const std::string& now) {
  if (Shown(before) != Shown(now)) return Shown(now) + ", not as the first time " + Shown(before);
  return "declared otherwise than the first time";
}

}  // namespace judge
