// The checks of study-host validate: one table, in the order validate runs
// them, each row a check's name, what it covers, the earlier check it needs
// to have passed, whether it calls the study, its time limit and its body.
// Each check runs in a child process of its own.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/study-host/validate/check_result.h"

struct CheckContext;

using CheckBody = CheckResult (*)(const CheckContext& context);

// What a check judges: the module as a whole (once), each study function it
// exports by the host's rules, or a study function's own rule, which the
// tool knows only for some (see judge/known_rules.h).
enum class CheckScope { kStudy, kModule, kOwnRule };

struct CheckDefinition {
  std::string_view name;
  std::string_view description;
  CheckBody needs;      // the body of an earlier check that must pass first; null: none
  bool calls_study;     // needs the module loaded with its exports
  int timeout_seconds;  // default time limit
  CheckBody body;
  int processes_at_once = 1;  // children that run the body at the same time, each judged
  CheckScope scope = CheckScope::kStudy;
};

// Every check, in run order.
std::span<const CheckDefinition> AllChecks();

// The check's place in run order.
std::size_t IndexOf(const CheckDefinition& check);

// The check called `name`, or null.
const CheckDefinition* CheckNamed(std::string_view name);

// The check `check` needs to have passed, or null.
const CheckDefinition* NeededBy(const CheckDefinition& check);

// Every check's name, in run order, separated by ", ".
std::string CheckNames();

// The checks in `selection` and every check they need, in run order.
std::vector<const CheckDefinition*> WithNeededChecks(
    std::span<const CheckDefinition* const> selection);
