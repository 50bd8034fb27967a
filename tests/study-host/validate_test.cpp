// The checks' table: names, and the checks a selection needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/study-host/validate/checks.h"

namespace {

std::vector<std::string> Names(const std::vector<const CheckDefinition*>& checks) {
  std::vector<std::string> names;
  for (const CheckDefinition* check : checks) names.emplace_back(check->name);
  return names;
}

TEST(ChecksTest, SelectionRunsWithWhatItNeedsInRunOrder) {
  const struct {
    std::vector<std::string> selection;
    std::vector<std::string> run;
  } cases[] = {
      {{"memory-balance"},
       {"module-loads", "exports-resolve", "interface-version", "memory-balance"}},
      {{"module-name", "module-loads"}, {"module-loads", "exports-resolve", "module-name"}},
      {{"module-loads"}, {"module-loads"}},
      {{"long-run"},
       {"module-loads", "exports-resolve", "interface-version", "randomized-calls", "long-run"}},
  };
  for (const auto& c : cases) {
    std::vector<const CheckDefinition*> selection;
    for (const std::string& name : c.selection) selection.push_back(CheckNamed(name));
    EXPECT_EQ(Names(WithNeededChecks(selection)), c.run);
  }
  for (const CheckDefinition& check : AllChecks()) {
    EXPECT_EQ(CheckNamed(check.name), &check) << check.name;
    EXPECT_FALSE(check.description.empty()) << check.name;
    EXPECT_GT(check.timeout_seconds, 0) << check.name;
  }
  EXPECT_EQ(NeededBy(*CheckNamed("module-loads")), nullptr);
  EXPECT_EQ(NeededBy(*CheckNamed("long-run")), CheckNamed("randomized-calls"));
  EXPECT_FALSE(CheckNamed("module loads"));
}

}  // namespace
