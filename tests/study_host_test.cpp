// Parsing and formatting in the study-host tool.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "command_line.h"
#include "html_text.h"
#include "replay_command.h"
#include "session_positions.h"
#include "text_parsing.h"
#include "tool_error.h"

namespace {

// The exit code and message a call throws, or kExitSuccess and "".
template <typename Call>
std::pair<int, std::string> ErrorOf(Call call) {
  try {
    call();
  } catch (const ToolError& error) {
    return {error.code(), error.what()};
  }
  return {kExitSuccess, ""};
}

TEST(CommandLineTest, AcceptsEachCommandWithItsOptions) {
  const CommandLine replay =
      ParseCommandLine({"replay", "m.so", "--set", "Enabled=yes", "--set=A=B=C", "--positions",
                        "0,-3", "--json", "--host-call-flag"});
  EXPECT_EQ(replay.command, Command::kReplay);
  EXPECT_EQ(replay.module_path, "m.so");
  ASSERT_EQ(replay.settings.size(), 2u);
  EXPECT_EQ(replay.settings[1].name, "A");
  EXPECT_EQ(replay.settings[1].value, "B=C");
  EXPECT_EQ(*replay.position_list, "0,-3");
  EXPECT_TRUE(replay.json && replay.host_call_flag);

  const CommandLine validate = ParseCommandLine({"validate", "--seed=77", "m.dll", "--calls", "9"});
  EXPECT_EQ(validate.command, Command::kValidate);
  EXPECT_EQ(*validate.seed, 77u);
  EXPECT_EQ(validate.random_calls, 9);
  EXPECT_EQ(ParseCommandLine({"--help"}).command, Command::kHelp);
}

TEST(CommandLineTest, RefusesMalformedCommandLines) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{}, "name a command"},
      {{"frobnicate", "m.so"}, "unknown command 'frobnicate'"},
      {{"describe"}, "name the module to load"},
      {{"describe", "a.so", "b.so"}, "unexpected argument 'b.so'"},
      {{"describe", "m.so", "--json"}, "unknown option '--json' for this command"},
      {{"replay", "m.so"}, "give the positions: --positions or --file"},
      {{"replay", "m.so", "--positions", "1", "--file", "s.csv"}, "not both"},
      {{"replay", "m.so", "--set", "NoEquals", "--positions", "1"}, "--set takes NAME=VALUE"},
      {{"replay", "m.so", "--positions"}, "--positions needs a value"},
      {{"validate", "m.so", "--seed", "-1"}, "--seed takes a whole number"},
      {{"validate", "m.so", "--calls", "0"}, "--calls takes a whole number of at least 1"},
  };
  for (const auto& c : cases) {
    const auto [code, message] = ErrorOf([&] { ParseCommandLine(c.arguments); });
    EXPECT_EQ(code, kExitUsage) << c.message;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
}

TEST(NumberParsingTest, WholeNumbersAndPositions) {
  EXPECT_EQ(ParseWholeNumber(" +42 "), 42);
  EXPECT_EQ(ParseWholeNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
  for (const char* text : {"", "2.5", "1e3", "2147483648", "12abc", "yes"}) {
    EXPECT_FALSE(ParseWholeNumber(text)) << text;
  }
  EXPECT_EQ(*ParsePosition("-3"), -3);
  EXPECT_EQ(*ParsePosition("0.25"), 0.25);
  EXPECT_TRUE(std::signbit(*ParsePosition("-0")));
  EXPECT_TRUE(std::isnan(*ParsePosition("nan")));
  EXPECT_EQ(*ParsePosition("-inf"), -std::numeric_limits<double>::infinity());
  for (const char* text : {"", "1e400", "3 units", "--1"}) {
    EXPECT_FALSE(ParsePosition(text)) << text;
  }
  EXPECT_EQ(FormatPosition(-0.0), "-0");
  EXPECT_EQ(FormatPosition(0.1), "0.1");
  EXPECT_EQ(FormatPosition(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(SessionPositionsTest, ReadsHeaderCommentsAndPositions) {
  const std::string text =
      "# comment\r\n\nnote,Position\r\nflat,0\n  # indented comment\nlong, 3.5 \nshort,-2\n";
  EXPECT_EQ(ParseSessionText(text, "s.csv"), (std::vector<double>{0, 3.5, -2}));
  EXPECT_EQ(ParsePositionList("0, 3,-3 ,0"), (std::vector<double>{0, 3, -3, 0}));
}

TEST(SessionPositionsTest, NamesFileLineAndExpectation) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "s.csv:0: expected a header row, found none"},
      {"# only a comment\n", "s.csv:1: expected a header row, found none"},
      {"step,note\n1,a\n", "s.csv:1: expected a header row with a 'position' column"},
      {"position\n", "s.csv:1: expected at least one position after the header"},
      {"position,note\n1,a\n2\n", "s.csv:3: expected 2 fields as in the header, found 1"},
      {"position\n1\n\n2x\n", "s.csv:4: expected a number in column 'position', found '2x'"},
  };
  for (const auto& c : cases) {
    const auto [code, message] = ErrorOf([&] { ParseSessionText(c.text, "s.csv"); });
    EXPECT_EQ(code, kExitSessionFile);
    EXPECT_EQ(message, c.message);
  }
  EXPECT_EQ(ErrorOf([] { ParsePositionList(" "); }).first, kExitUsage);
  EXPECT_EQ(ErrorOf([] { ParsePositionList("1,,2"); }).second,
            "position 2 of --positions ('') is not a number");
  EXPECT_EQ(ErrorOf([] { ReadSessionFile("/no/such/session.csv"); }).first, kExitSessionFile);
}

TEST(HtmlTextTest, RendersDescriptionAsText) {
  EXPECT_EQ(HtmlToText("<b>zr: Palvessa</b> by <a href = \"https://x.org/a\">Jane</a><br><br>Hi"),
            "zr: Palvessa by Jane <https://x.org/a>\n\nHi");
  EXPECT_EQ(HtmlToText("a &amp; b &lt;c&gt; <BR/>&unknown; 3 < 4"), "a & b <c> \n&unknown; 3 < 4");
}

TEST(ReplayFormatTest, TableAndJsonShowUnchangedSteps) {
  const std::vector<ReplayStep> steps = {{1, 0, true, 4},
                                         {2, std::numeric_limits<double>::quiet_NaN(), false, 4}};
  EXPECT_EQ(FormatReplayTable(steps),
            "step  position  order quantity\n"
            "1     0         4\n"
            "2     nan       unchanged\n");
  EXPECT_EQ(FormatReplayJson(steps),
            "{\"step\":1,\"position\":0,\"written\":true,\"order_quantity\":4}\n"
            "{\"step\":2,\"position\":\"nan\",\"written\":false,\"order_quantity\":null}\n");
}

}  // namespace
