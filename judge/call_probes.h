// The same calls made again: a study must write the same for the same
// record whatever calls came before, on any thread, in any instance. A run
// of random calls keeps what its first calls did and makes them again as it
// goes; any difference is state the study keeps between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "judge/call_judge.h"
#include "judge/judged_study.h"
#include "judge/random_calls.h"

namespace judge {

// The seed of call `call` of a run seeded `seed`: each call its own, so any
// one can be made again alone.
std::uint64_t CallSeed(std::uint64_t seed, std::int64_t call);

// Makes random call `call` of the run seeded `seed`: its host and record
// drawn from CallSeed, judged. Returns the fault ("" when none) and sets
// `outcome` (see CallOutcome) and `made`; with `scratch`, reuses its
// storage (see CallScratch).
std::string MakeRandomCall(const JudgedStudy& study, std::uint64_t seed, std::int64_t call,
                           std::string& outcome, RandomCall& made, CallScratch* scratch = nullptr);

class CallProbes {
 public:
  // The first `count` calls of the run seeded `seed`.
  CallProbes(std::uint64_t seed, std::int64_t count) : seed_(seed), count_(count) {}

  std::int64_t count() const { return count_; }

  // Notes what call `call` did, when it is one of the first.
  void Note(std::int64_t call, const std::string& outcome);

  // Makes the first calls again; "" when each did what it did before, else
  // the first difference, said to come `when` ("after 5000 calls").
  std::string Remake(const JudgedStudy& study, const std::string& when) const;

 private:
  std::uint64_t seed_;
  std::int64_t count_;
  std::vector<std::string> outcomes_;
};

// The first difference between two outcomes of one call, in words ("wrote
// 3 (...)" and "wrote 4 (...)").
std::string OutcomeDifference(const std::string& before, const std::string& now);

}  // namespace judge
