// The checks' table: names, and the checks a selection needs.
#include <gtest/gtest.h>

#include <vector>

#include "tools/study-host/validate/checks.h"

namespace {

TEST(ChecksTest, SelectionRunsWithWhatItNeedsInRunOrder) {
  const struct {
    std::vector<Check> selection;
    std::vector<Check> run;
  } cases[] = {
      {{Check::kHeapBalance},
       {Check::kModuleLoads, Check::kExportsResolve, Check::kInterfaceVersion,
        Check::kHeapBalance}},
      {{Check::kModuleName, Check::kModuleLoads},
       {Check::kModuleLoads, Check::kExportsResolve, Check::kModuleName}},
      {{Check::kModuleLoads}, {Check::kModuleLoads}},
  };
  for (const auto& c : cases) EXPECT_EQ(WithNeededChecks(c.selection), c.run);
  for (const CheckDefinition& check : kChecks) {
    EXPECT_EQ(CheckNamed(check.name), check.check) << check.name;
    EXPECT_FALSE(check.description.empty()) << check.name;
  }
  EXPECT_FALSE(CheckNamed("module loads"));
}

}  // namespace
