// The command line: each command with its own settings, and the options the
// tool hands a child reachable only on a child's command line.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "support/tool_error_of.h"
#include "tools/study-host/command_line.h"

namespace {

template <typename Settings>
Settings Parsed(const std::vector<std::string>& arguments,
                CommandLineOf whose = CommandLineOf::kUser) {
  return std::get<Settings>(*ParseCommandLine(arguments, whose).command);
}

TEST(CommandLineTest, HandsEachCommandItsOwnSettings) {
  const auto replay = Parsed<ReplaySettings>({"replay", "m.so", "--set", "Enabled=yes",
                                              "--set=A=B=C", "--positions", "0,-3", "--json",
                                              "--host-call-flag", "--timeout", "4"});
  EXPECT_EQ(replay.module_path, "m.so");
  ASSERT_EQ(replay.inputs.size(), 2u);
  EXPECT_EQ(replay.inputs[1].name, "A");
  EXPECT_EQ(replay.inputs[1].value, "B=C");
  EXPECT_EQ(*replay.position_list, "0,-3");
  EXPECT_TRUE(replay.json && replay.host_call_flag);
  EXPECT_EQ(replay.timeout_seconds, 4);

  const auto validate =
      Parsed<ValidateSettings>({"validate", "--seed=+77", "m.dll", "--calls", "9", "--check",
                                "module-name", "--check", "module-loads"});
  EXPECT_EQ(*validate.seed, 77u);
  EXPECT_EQ(validate.random_calls, 9);
  EXPECT_EQ(validate.checks, (std::vector<const CheckDefinition*>{CheckNamed("module-name"),
                                                                  CheckNamed("module-loads")}));
  EXPECT_EQ(Parsed<ValidateSettings>({"validate", "m.so", "--skip", "long-run"}).skipped,
            std::vector<const CheckDefinition*>{CheckNamed("long-run")});
  EXPECT_FALSE(validate.timeout_seconds);
  EXPECT_TRUE(Parsed<ValidateSettings>({"validate", "--list"}).list);
  EXPECT_EQ(Parsed<DescribeSettings>({"describe", "m.so"}).module_path, "m.so");
  EXPECT_NE(ParseCommandLine({"--help"}).text.find("exit codes:"), std::string::npos);
}

TEST(CommandLineTest, RefusesSayingWhatWasFound) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"replay", "m.so", "--file", ""}, "--file: needs a file name (or - for standard input)"},
      {{"replay", "m.so", "--positions", "1", "a", "", "b"},
       "not expected: 'a', '' (an empty word), 'b'"},
      {{"describe", "m.so", "--", "--json"}, "not expected: '--json'"},
      {{"validate", "m.so", "--calls", "1000001"}, "'1000001' is out of range (1 to 1000000)"},
      {{"validate", "m.so", "--skip", "long run"}, "--skip: unknown check 'long run'"},
      {{"replay", "m.so", "--positions", "0,", "4,", "-2.5,", "0"},
       "--positions takes the list as one word, without blanks: --positions 0,4,-2.5,0 (or in "
       "quotes: --positions \"0, 4, -2.5, 0\")"},
  };
  for (const auto& c : cases) {
    const auto [code, message] = ErrorOf([&] { ParseCommandLine(c.arguments); });
    EXPECT_EQ(code, kExitUsage) << c.message;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
}

TEST(CommandLineTest, ChildOptionsOnlyOnAChildsCommandLine) {
  const std::vector<std::string> child_check = {"validate", "m.so", kChildCheckOption,
                                                "memory-balance"};
  EXPECT_EQ(Parsed<ValidateSettings>(child_check, CommandLineOf::kChild).checks,
            std::vector<const CheckDefinition*>{CheckNamed("memory-balance")});
  EXPECT_EQ(ErrorOf([&] { ParseCommandLine(child_check); }).first, kExitUsage);
  for (const char* hidden : {"--channel", "--check"}) {
    EXPECT_EQ(ErrorOf([&] {
                ParseCommandLine({"validate", "m.so", hidden, "3"}, CommandLineOf::kChild);
              }).first,
              kExitUsage)
        << hidden;
  }
}

}  // namespace
