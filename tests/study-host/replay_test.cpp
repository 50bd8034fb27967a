// Session files and the lines replay prints.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/tool_error_of.h"
#include "tools/study-host/replay/replay_steps.h"
#include "tools/study-host/replay/session_positions.h"

namespace {

// `text` (ASCII) as UTF-16 with its byte-order mark.
std::string Utf16(const std::string& text, bool little_endian) {
  std::string out = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char c : text) {
    out += little_endian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return out;
}

// Every position of a session text, or the first fault; the text arrives
// `chunk` bytes at a time, as from a pipe.
std::pair<std::vector<double>, std::string> ReadSession(const std::string& text,
                                                        std::size_t chunk) {
  std::size_t at = 0;
  SessionReader reader(
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, chunk, text.size() - at});
        std::memcpy(buffer, text.data() + at, n);
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
      // Encodings by their byte-order mark, whichever way the bytes arrive.
      {"\xEF\xBB\xBFposition\n1\n", {1}, ""},
      {Utf16("position\r\n-2\r\n", true), {-2}, ""},
      {Utf16("note,position\n\"x\",7\n", false), {7}, ""},
      {Utf16("position\n", true) + "\x3D\xD8",
       {},
       "s.csv:2: expected a number in column 'position', found '\xEF\xBF\xBD'"},
      {Utf16("position\n", true) + std::string("\x3D\xD8\x31\x00", 4),
       {},
       "s.csv:2: expected a number in column 'position', found '\xEF\xBF\xBD"
       "1'"},
      {Utf16("position\n", false) + std::string("\xD8\x3D\xDE\x00", 4),
       {},
       "s.csv:2: expected a number in column 'position', found '\xF0\x9F\x98\x80'"},
      {"\xEF\xBBposition\n1\n",
       {},
       "s.csv:1: expected a header row with a 'position' column, found '\xEF\xBBposition'"},
      // Line ends and separators as spreadsheets save them.
      {"position\r1\r2\r", {1, 2}, ""},
      {"date;position\n1.2.;1,5\n2.2.;-3\n", {1.5, -3}, ""},
      {"date\tposition\nmon\t4\n", {4}, ""},
      {"\"a;b\",position\nx,1\n", {1}, ""},
      {"position;n\n1,5,2;x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '1,5,2'"},
      {"position,note\n1,5\n1,5,x\n", {1}, "s.csv:3: expected 2 fields as in the header, found 3"},
      {"", {}, "s.csv:1: expected a header row, found none"},
      {"# only a comment\n", {}, "s.csv:1: expected a header row, found none"},
      {"step,note\n1,a\n",
       {},
       "s.csv:1: expected a header row with a 'position' column, found 'step,note'"},
      {"\n\nposition", {}, "s.csv:3: expected at least one position after the header"},
      {"position\n", {}, "s.csv:1: expected at least one position after the header"},
      {"position,note\n1,a\n2\n", {1}, "s.csv:3: expected 2 fields as in the header, found 1"},
      {"position\n1,2\n", {}, "s.csv:2: expected 1 field as in the header, found 2"},
      {"position\n1\n\n2x\n", {1}, "s.csv:4: expected a number in column 'position', found '2x'"},
      {"position,x,POSITION\n",
       {},
       "s.csv:1: columns 1 and 3 of the header 'position,x,POSITION' are both named 'position'"},
      {"position,n\n1,\"open\n", {}, "s.csv:2: a quoted field is not closed"},
      {"position,n\n1,\"a\"b\n", {}, "s.csv:2: unexpected text after a closing quote"},
      {"position\n" + std::string(5000, '7') + "\n", {}, "s.csv:2: longer than 4096 bytes"},
      {"position\r\n" + std::string(4096, '0') + "\r\n1", {0, 1}, ""},
      {"position\n" + std::string(4097, '0'), {}, "s.csv:2: longer than 4096 bytes"},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk : {1, 2, 65536}) {
      const auto [positions, fault] = ReadSession(c.text, chunk);
      EXPECT_EQ(positions, c.positions) << c.text << " in reads of " << chunk;
      EXPECT_EQ(fault, c.fault) << c.text << " in reads of " << chunk;
    }
  }
  EXPECT_EQ(ParsePositionList("0, 3,-3 ,0"), (std::vector<double>{0, 3, -3, 0}));
  EXPECT_EQ(ErrorOf([] { ParsePositionList("1,,2"); }).second,
            "position 2 of --positions ('') is not a number");
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
