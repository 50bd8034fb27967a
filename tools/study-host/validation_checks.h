// The named checks of study-host validate. Each runs in a child process of
// its own and returns one result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class Outcome { kPassed, kWarning, kFailed, kSkipped };

struct CheckResult {
  Outcome outcome = Outcome::kFailed;
  std::string detail;  // one line: what was found, or why it was skipped
};

struct CheckSettings {
  std::uint64_t seed = 0;  // for the randomized run
  std::int32_t random_calls = 3000;
};

struct StudyModule;

struct CheckContext {
  std::string path;  // the module file
  CheckSettings settings;
  const StudyModule* module = nullptr;  // loaded, exports resolved (checks that call the study)
  // Says what the check is about to do, so a crash or hang can be placed.
  std::function<void(const std::string&)> phase = [](const std::string&) {};
};

struct CheckDefinition {
  const char* name;
  const char* needs;    // a check that must pass first, or null
  bool calls_study;     // loads the module with its exports before running
  int timeout_seconds;  // default time limit
  CheckResult (*run)(const CheckContext& context);
};

// Every check, in the order validate runs them.
const std::vector<CheckDefinition>& ValidationChecks();

// The check called `name`, or null.
const CheckDefinition* FindCheck(const std::string& name);

const char* OutcomeName(Outcome outcome);

CheckResult Passed(std::string detail);
CheckResult Failed(std::string detail);
CheckResult Skipped(std::string detail);

// The checks that drive the study with many calls (call_checks.cpp).
CheckResult CheckRecordUntouched(const CheckContext& context);
CheckResult CheckHeapBalance(const CheckContext& context);
CheckResult CheckEdgePositions(const CheckContext& context);
CheckResult CheckRandomizedCalls(const CheckContext& context);
