// Parsing and formatting in the study-host tool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "channel.h"
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
      *ParseCommandLine({"replay", "m.so", "--set", "Enabled=yes", "--set=A=B=C", "--positions",
                         "0,-3", "--json", "--host-call-flag", "--timeout", "4"})
           .line;
  EXPECT_EQ(replay.command, Command::kReplay);
  EXPECT_EQ(replay.module_path, "m.so");
  ASSERT_EQ(replay.settings.size(), 2u);
  EXPECT_EQ(replay.settings[1].name, "A");
  EXPECT_EQ(replay.settings[1].value, "B=C");
  EXPECT_EQ(*replay.position_list, "0,-3");
  EXPECT_TRUE(replay.json && replay.host_call_flag);
  EXPECT_EQ(replay.timeout_seconds, 4);

  const CommandLine validate =
      *ParseCommandLine({"validate", "--seed=+77", "m.dll", "--calls", "9", "--channel", "3"}).line;
  EXPECT_EQ(validate.command, Command::kValidate);
  EXPECT_EQ(*validate.seed, 77u);
  EXPECT_EQ(validate.random_calls, 9);
  EXPECT_EQ(validate.channel, 3u);
  EXPECT_FALSE(validate.timeout_seconds);
  EXPECT_NE(ParseCommandLine({"--help"}).text.find("exit codes:"), std::string::npos);
}

TEST(NumberParsingTest, OneRuleForEveryNumber) {
  const struct {
    const char* text;
    std::int64_t value;
    const char* problem;
  } whole[] = {
      {" +42 ", 42, ""},
      {"-2147483648", -2147483648, ""},
      {"007", 7, ""},
      {"2147483648", 0, "is out of range (-2147483648 to 2147483647)"},
      {"99999999999999999999", 0, "is out of range (-2147483648 to 2147483647)"},
      {"+-1", 0, "is not a whole number"},
      {"--1", 0, "is not a whole number"},
      {"2.5", 0, "is not a whole number"},
      {"1e3", 0, "is not a whole number"},
      {"0x10", 0, "is not a whole number"},
      {"", 0, "is not a whole number"},
      {"+", 0, "is not a whole number"},
  };
  for (const auto& c : whole) {
    const ParsedWholeNumber parsed = ParseWholeNumber(c.text, -2147483648, 2147483647);
    EXPECT_EQ(parsed.problem, c.problem) << c.text;
    if (parsed.problem.empty()) {
      EXPECT_EQ(parsed.value, c.value) << c.text;
    }
  }
  std::string problem;
  EXPECT_EQ(ParseUnsigned64("18446744073709551615", problem), 18446744073709551615u);
  EXPECT_FALSE(ParseUnsigned64("18446744073709551616", problem));
  EXPECT_EQ(problem, "is out of range (0 to 18446744073709551615)");

  const struct {
    const char* text;
    double value;
    const char* problem;
  } positions[] = {
      {"-3", -3, ""},
      {" +0.25 ", 0.25, ""},
      {"1e3", 1000, ""},
      {"-inf", -INFINITY, ""},
      {"1e400", 0, "is out of range"},
      {"+-1", 0, "is not a number"},
      {"3 units", 0, "is not a number"},
      {"", 0, "is not a number"},
  };
  for (const auto& c : positions) {
    const ParsedPosition parsed = ParsePosition(c.text);
    EXPECT_EQ(parsed.problem, c.problem) << c.text;
    if (parsed.problem.empty()) {
      EXPECT_EQ(parsed.value, c.value) << c.text;
    }
  }
  EXPECT_TRUE(std::signbit(ParsePosition("-0").value));
  EXPECT_TRUE(std::isnan(ParsePosition("nan").value));
  EXPECT_EQ(FormatPosition(-0.0), "-0");
  EXPECT_EQ(FormatPosition(0.1), "0.1");
  EXPECT_EQ(Escaped(std::string("a\nb\t\x01\x7f\0", 7)), "a\\nb\\t\\x01\\x7f\\x00");
}

// Every position of a session text, or the first fault.
std::pair<std::vector<double>, std::string> ReadSession(const std::string& text) {
  std::size_t at = 0;
  SessionReader reader(
      [&](char* buffer, std::size_t size) {
        const std::size_t n =
            std::min<std::size_t>(size, std::min<std::size_t>(3, text.size() - at));
        std::memcpy(buffer, text.data() + at, n);  // three bytes at a time, as a slow pipe
        at += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      "s.csv");
  std::vector<double> positions;
  const auto [code, message] = ErrorOf([&] {
    while (const auto position = reader.Next()) positions.push_back(*position);
  });
  return {positions, message};
}

TEST(SessionReaderTest, ReadsRecordsOrNamesLineAndFault) {
  const struct {
    std::string text;
    std::vector<double> positions;
    std::string fault;
  } cases[] = {
      {"# comment\r\n\nnote,Position\r\nflat,0\n  # indented comment\nlong, 3.5 \nshort,-2",
       {0, 3.5, -2},
       ""},
      {"\xEF\xBB\xBF\"position\",\"a, b\"\r\n\"1\",\"say \"\"hi\"\"\"\r\n", {1}, ""},
      {"position,note\n2,\"two\nlines\"\n3,x\n", {2, 3}, ""},
      {"", {}, "s.csv:0: expected a header row, found none"},
      {"# only a comment\n", {}, "s.csv:1: expected a header row, found none"},
      {"step,note\n1,a\n", {}, "s.csv:1: expected a header row with a 'position' column"},
      {"position\n", {}, "s.csv:1: expected at least one position after the header"},
      {"position,note\n1,a\n2\n", {1}, "s.csv:3: expected 2 fields as in the header, found 1"},
      {"position\n1\n\n2x\n", {1}, "s.csv:4: expected a number in column 'position', found '2x'"},
      {"position,x,POSITION\n", {}, "s.csv:1: columns 1 and 3 are both named 'position'"},
      {"position,n\n1,\"open\n", {}, "s.csv:2: a quoted field is not closed"},
      {"position,n\n1,\"a\"b\n", {}, "s.csv:2: unexpected text after a closing quote"},
      {"position\n" + std::string(5000, '7') + "\n", {}, "s.csv:2: longer than 4096 bytes"},
  };
  for (const auto& c : cases) {
    const auto [positions, fault] = ReadSession(c.text);
    EXPECT_EQ(positions, c.positions) << c.text;
    EXPECT_EQ(fault, c.fault) << c.text;
  }
  EXPECT_EQ(ParsePositionList("0, 3,-3 ,0"), (std::vector<double>{0, 3, -3, 0}));
  EXPECT_EQ(ErrorOf([] { ParsePositionList("1,,2"); }).second,
            "position 2 of --positions ('') is not a number");
}

TEST(ChannelTest, FramesSurviveAnySplitAndMalformedBytesStopTheReading) {
  const std::string bytes = "P17:the defaults callS3:a\nbR9:passed\tok";
  FrameDecoder decoder;
  std::vector<Frame> frames;
  for (char byte : bytes) {
    decoder.Feed(std::string(1, byte));
    while (auto frame = decoder.Next()) frames.push_back(*frame);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].payload, "the defaults call");
  EXPECT_EQ(frames[1].payload, "a\nb");
  EXPECT_EQ(frames[2].kind, FrameKind::kResult);
  for (const char* malformed : {"passed\tok\n", "P-1:x", "Q1:x", "P:x"}) {
    FrameDecoder other;
    other.Feed(malformed);
    EXPECT_FALSE(other.Next()) << malformed;
    EXPECT_TRUE(other.malformed()) << malformed;
  }
}

TEST(HtmlTextTest, RendersDescriptionAsText) {
  EXPECT_EQ(HtmlToText("<b>zr: Palvessa</b> by <a href = \"https://x.org/a\">Jane</a><br><br>Hi"),
            "zr: Palvessa by Jane <https://x.org/a>\n\nHi");
  EXPECT_EQ(HtmlToText("<a href = \"https://x.org/?a>b\">J</a>"), "J <https://x.org/?a>b>");
  EXPECT_EQ(HtmlToText("a &amp; b &lt;c&gt; <BR/>&unknown; 3 < 4"), "a & b <c> \n&unknown; 3 < 4");
}

TEST(ReplayFormatTest, TableAndJsonShowUnchangedSteps) {
  const ReplayStep written{1, 0, true, 4};
  const ReplayStep unchanged{2, std::numeric_limits<double>::quiet_NaN(), false, 4};
  EXPECT_EQ(ReplayHeader() + FormatStep(written, false) + FormatStep(unchanged, false),
            "step  position  order quantity\n"
            "1     0         4\n"
            "2     nan       unchanged\n");
  EXPECT_EQ(FormatStep(written, true) + FormatStep(unchanged, true),
            "{\"step\":1,\"position\":0,\"written\":true,\"order_quantity\":4}\n"
            "{\"step\":2,\"position\":\"nan\",\"written\":false,\"order_quantity\":null}\n");
}

}  // namespace
