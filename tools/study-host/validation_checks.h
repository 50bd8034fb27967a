// The named checks of study-host validate. Each runs in its own process and
// returns one result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Outcome { kPassed, kFailed, kSkipped };

struct CheckResult {
  Outcome outcome = Outcome::kFailed;
  std::string detail;  // one line: what was found, or why it was skipped
};

struct CheckSettings {
  std::uint64_t seed = 0;  // for the randomized run
  std::int32_t random_calls = 3000;
};

struct StudyModule;

struct CheckDefinition {
  const char* name;
  const char* needs;  // a check that must pass first, or null
  // Runs the check on the module, already loaded with its exports resolved.
  CheckResult (*run)(const CheckSettings& settings, const StudyModule& module);
};

// Every check, in the order validate runs them.
const std::vector<CheckDefinition>& ValidationChecks();

// The check called `name`, or null.
const CheckDefinition* FindCheck(const std::string& name);

const char* OutcomeName(Outcome outcome);

// Helpers shared by the checks.
CheckResult Passed(std::string detail);
CheckResult Failed(std::string detail);
CheckResult Skipped(std::string detail);

// The randomized run (randomized_calls_check.cpp).
CheckResult CheckRandomizedCalls(const CheckSettings& settings, const StudyModule& module);
