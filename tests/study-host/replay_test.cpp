// Session files and the lines replay prints.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "support/tool_error_of.h"
#include "tools/study-host/replay/replay_steps.h"
#include "tools/study-host/replay/session_file_name.h"
#include "tools/study-host/replay/session_positions.h"

namespace {

// A string literal's bytes, NULs included.
template <std::size_t kSize>
std::string Bytes(const char (&text)[kSize]) {
  return std::string(text, kSize - 1);
}

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
       "s.csv:2: expected a number in column 'position', found '\xEF\xBF\xBD'"
       " (\xEF\xBF\xBD is what stands for a character the file's encoding could not give: save the "
       "file again)"},
      {Utf16("position\n", true) + Bytes("\x3D\xD8\x31\x00"),
       {},
       "s.csv:2: expected a number in column 'position', found '\xEF\xBF\xBD"
       "1' (\xEF\xBF\xBD is what stands for a character the file's encoding could not give: save "
       "the file again)"},
      {Utf16("position\n", false) + Bytes("\xD8\x3D\xDE\x00"),
       {},
       "s.csv:2: expected a number in column 'position', found '\xF0\x9F\x98\x80' "
       "(\xF0\x9F\x98\x80 "
       "(U+1F600) is no character numbers are written with: use 0 to 9)"},
      {"\xEF\xBBposition\n1\n",
       {},
       "s.csv:1: expected a header row with a 'position' column, found '\\xef\\xbbposition'"},
      // Line ends and separators as spreadsheets save them.
      {"position\r1\r2\r", {1, 2}, ""},
      {"date;position\n1.2.;1,5\n2.2.;-3\n", {1.5, -3}, ""},
      {"date\tposition\nmon\t4\n", {4}, ""},
      {"\"a;b\",position\nx,1\n", {1}, ""},
      {"position;n\n1,5,2;x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '1,5,2' (has more than one comma)"},
      // Numbers as spreadsheets and web pages write them: grouped thousands,
      // no-break, thin and narrow spaces, the typographic minus.
      {"date;position\n1;1.234,5\n2;-1.234.567\n", {1234.5, -1234567}, ""},
      {"position;n\n2,5;x\n1.234;y\n", {2.5, 1234}, ""},
      {"position;n\n0.5;x\n1.234;y\n", {0.5, 1.234}, ""},
      // Three digits after one mark read as the file has shown its decimal
      // mark, and are refused, with both readings, until it has.
      {"position;n\n1.234;x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '1.234' (could be 1.234 or 1234: "
       "nothing before it in the file shows whether a point marks decimals or groups thousands; "
       "write 1234 for the whole number, or 1.2340 for the decimal)"},
      {"position;n\n-1,234;x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '-1,234' (could be -1.234 or "
       "-1234: nothing before it in the file shows whether a comma marks decimals or groups "
       "thousands; write -1234 for the whole number, or -1,2340 for the decimal)"},
      {"position,n\n1.234,x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '1.234' (could be 1.234 or 1234: "
       "nothing before it in the file shows whether a point marks decimals or groups thousands; "
       "write 1234 for the whole number, or 1.2340 for the decimal)"},
      {"position,n\n\"1,234\",x\n",
       {},
       "s.csv:2: expected a number in column 'position', found '1,234' (could be 1234 or 1.234: "
       "write 1234 for the whole number, or 1.234 with a point for the decimal (a comma parts "
       "this file's columns))"},
      {"position,n\n2.5,a\n1.234,b\n\"1,234\",x\n\"12,5\",y\n",
       {2.5, 1.234, 1234},
       "s.csv:5: expected a number in column 'position', found '12,5' (has a decimal comma, but "
       "this file's columns are parted by commas: write 12.5)"},
      {"position;n\n1.234.567;x\n1.234;y\n2,500;z\n", {1234567, 1234, 2.5}, ""},
      {"position\tn\n2,5\tx\n", {2.5}, ""},
      {"position;n\n1\xE2\x80\xAF"
       "234,5;x\n\xE2\x88\x92"
       "3;y\n\xC2\xA0"
       "4\xC2\xA0;z\n",
       {1234.5, -3, 4},
       ""},
      {"\xC2\xA0Position\xE2\x80\x89;note\n1;a\n", {1}, ""},
      {"position;note\n1;a\n;\n ; \n2;b\n", {1, 2}, ""},
      {"position\n\xE2\x80\x93"
       "3\n",
       {},
       "s.csv:2: expected a number in column 'position', found '\\u20133' (\\u2013 is an en dash, "
       "not a minus sign: type - instead)"},
      // Full-width digits, signs and marks, as East Asian input methods
      // type them, and the ideographic space: read as their ASCII ones.
      {"position;n\n\xEF\xBC\x93;a\n\xEF\xBC\x8D\xEF\xBC\x91\xEF\xBC\x8C\xEF\xBC\x95;b\n"
       "\xE3\x80\x80\xEF\xBC\x8B\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95\xE3\x80\x80;c\n",
       {3, -1.5, 2.5},
       ""},
      {"position\n\xEF\xB9\xA3"
       "4\n",
       {-4},
       ""},
      {"position\n\xC2\xB7"
       "5\n",
       {},
       "s.csv:2: expected a number in column 'position', found '\xC2\xB7"
       "5' (\xC2\xB7 is a middle "
       "dot, not a decimal point: type . instead)"},
      {"position\n\xD9\xA3\n",
       {},
       "s.csv:2: expected a number in column 'position', found '\xD9\xA3' (\xD9\xA3 (U+0663) is no "
       "character numbers are written with: use 0 to 9)"},
      {"position\n2,5\n",
       {},
       "s.csv:2: expected 1 field as in the header, found 2: '2,5' looks like a number with a "
       "decimal comma, which parts the columns of a file with one column; write it with a point, "
       "or in quotes (\"2,5\")"},
      // Workbooks and other files that are not text, in words.
      {Bytes("PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00\x21\x00\x0A\x0D\x0A\x0D"
             "\x1A\x01\x00\x00\x0A\x00\x00\x00\x13\x00\x00\x00[Content_Types].xml\x0A"),
       {},
       "s.csv:1: this is a spreadsheet workbook (.xlsx), not a CSV file: open it in the "
       "spreadsheet and save it as CSV (File, Save As, then CSV)"},
      {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00",
       {},
       "s.csv:1: this is a spreadsheet workbook (.xls), not a CSV file: open it in the spreadsheet "
       "and save it as CSV (File, Save As, then CSV)"},
      {"\xFF\xD8\xFF\xE0 JFIF\n",
       {},
       "s.csv:1: expected a header row with a 'position' column, found '\\xff\\xd8\\xff\\xe0 "
       "JFIF'"},
      {"position,note\n1,5\n1,5,x\n", {1}, "s.csv:3: expected 2 fields as in the header, found 3"},
      {"",
       {},
       "s.csv:1: the file is empty (0 bytes), so it holds no session: save the session again (in a "
       "spreadsheet: File, Save As, then CSV), or give --file the file that holds it"},
      {Bytes("PK\x03\x04\x14\x00\x00\x00\x00\x00\x00\x00\x21\x00\x0A\x0D\x0A\x0D"
             "\x1A\x01\x00\x00\x0A\x00\x00\x00\x0E\x00\x00\x00trades 3.3.csvposition\n1\n"),
       {},
       "s.csv:1: this is a zip archive holding 'trades 3.3.csv', not a CSV file: unpack it (on "
       "Windows: right-click it, Extract All) and give --file the session file inside"},
      {Bytes("PK\x03\x04\x14\x00\x00\x00\x00\x00\x00\x00\x21\x00\x0A\x0D\x0A\x0D"
             "\x1A\x01\x00\x00\x0A\x00\x00\x00\x08\x00\x00\x00mimetypeapplication/vnd"),
       {},
       "s.csv:1: this is a spreadsheet workbook (.ods), not a CSV file: open it in the spreadsheet "
       "and save it as CSV (File, Save As, then CSV)"},
      {Bytes("PK\x03\x04\x14\x00\x06\x00"),
       {},
       "s.csv:1: this is the start of a zip archive, cut short (a download or copy that did not "
       "finish), not a CSV file: get the whole file again"},
      {Bytes("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03position\n"),
       {},
       "s.csv:1: this is a gzip-compressed file, not a CSV file: unpack it (gzip -d, or 7-Zip on "
       "Windows) and give --file the session file inside"},
      {"%PDF-1.7\n%\xE2\xE3\xCF\xD3\n",
       {},
       "s.csv:1: this is a PDF document, not a CSV file: the tool cannot read positions from it; "
       "export them from the program that made it as CSV, or type them into a spreadsheet and "
       "save it as CSV"},
      {"\xEF\xBB\xBF\r\n  <!DOCTYPE html>\n<html><table><tr><td>position</td></tr></table>",
       {},
       "s.csv:1: this is a web page (HTML), not a CSV file: open it in a spreadsheet and save it "
       "as "
       "CSV (File, Save As, then CSV)"},
      {Utf16("<HTML>\n", true),
       {},
       "s.csv:1: this is a web page (HTML), not a CSV file: open it in a spreadsheet and save it "
       "as "
       "CSV (File, Save As, then CSV)"},
      {"PKey,position\nx,1\n<html>,2\n", {1, 2}, ""},
      {"# only a comment\n", {}, "s.csv:1: expected a header row, found none"},
      {"step,note\n1,a\n",
       {},
       "s.csv:1: expected a header row with a 'position' column, found 'step,note'"},
      {"\n\nposition", {}, "s.csv:3: expected at least one position after the header"},
      {"position\n", {}, "s.csv:1: expected at least one position after the header"},
      {"position,note\n1,a\n2\n", {1}, "s.csv:3: expected 2 fields as in the header, found 1"},
      {"position\n1,2\n",
       {},
       "s.csv:2: expected 1 field as in the header, found 2: '1,2' looks like a number with a "
       "decimal comma, which parts the columns of a file with one column; write it with a point, "
       "or in quotes (\"1,2\")"},
      {"position\n1\n\n2x\n", {1}, "s.csv:4: expected a number in column 'position', found '2x'"},
      {"position,x,POSITION\n",
       {},
       "s.csv:1: columns 1 and 3 of the header 'position,x,POSITION' are both named 'position'"},
      {"position,n\n1,\"open\n",
       {},
       "s.csv:2: a quoted field is not closed: the quote before 'open\\n' "
       "opens it on this line and runs on to the end of the file; close the quote, or remove it"},
      // A quote left open on a long session: said where it opened.
      {"position,note\n1,a\n2,\"b,\n" + std::string(300, 'x') + "\n" +
           [] {
             std::string lines;
             for (int line = 0; line < 2000; ++line) lines += "3,c\n";
             return lines;
           }(),
       {1},
       "s.csv:3: a quoted field is not closed: the quote before 'b,\\nxxxxxxxxxxxxxxxxx...' opens "
       "it "
       "on this line and runs on past 4096 bytes (to line 952); close the quote, or remove it"},
      {"position,n\n1,\"a\"b\n", {}, "s.csv:2: unexpected text after a closing quote"},
      {"position\n" + std::string(5000, '7') + "\n", {}, "s.csv:2: longer than 4096 bytes"},
      {"position\r\n" + std::string(4096, '0') + "\r\n1", {0, 1}, ""},
      {"position\n" + std::string(4097, '0'), {}, "s.csv:2: longer than 4096 bytes"},
      // A spreadsheet's error value is a row, never a comment, wherever it
      // stands; a comment is a line starting with '#' and nothing else.
      {"position\n1\n#N/A\n2\n",
       {1},
       "s.csv:3: expected a number in column 'position', found '#N/A', a spreadsheet's error "
       "value: the formula for this position failed; correct it in the spreadsheet (or delete the "
       "row) and save the file again"},
      {"position;n\n1;a\n  #div/0! ;b\n",
       {1},
       "s.csv:3: expected a number in column 'position', found '#div/0!', a spreadsheet's error "
       "value: the formula for this position failed; correct it in the spreadsheet (or delete the "
       "row) and save the file again"},
      {"note,position\n#VALUE!,3\n#N/A is late,4\n#NAME?x,5\n", {3}, ""},
      {"position\nErr:502\n",
       {},
       "s.csv:2: expected a number in column 'position', found 'Err:502', a spreadsheet's error "
       "value: the formula for this position failed; correct it in the spreadsheet (or delete the "
       "row) and save the file again"},
      // A separator ending every row, or only the header, as an empty last
      // column; a record missing a named column is still refused.
      {"position,\n1,\n2\n", {1, 2}, ""},
      {"position\n1,\n2;\n", {1}, "s.csv:3: expected a number in column 'position', found '2;'"},
      {"note,position,\nx,1\ny,2,\n", {1, 2}, ""},
      {"note,position\nx\n", {}, "s.csv:2: expected 2 fields as in the header, found 1"},
      {"position;note\n1;a;b\n", {}, "s.csv:2: expected 2 fields as in the header, found 3"},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk : {1, 2, 65536}) {
      const auto [positions, fault] = ReadSession(c.text, chunk);
      EXPECT_EQ(positions, c.positions) << c.text << " in reads of " << chunk;
      EXPECT_EQ(fault, c.fault) << c.text << " in reads of " << chunk;
    }
  }
}

TEST(PositionListTest, ReadsListsAsTypedOrPastedOrSaysWhy) {
  const struct {
    std::string list;
    std::vector<double> positions;
    std::string fault;
  } cases[] = {
      {"0, 3,-3 ,0", {0, 3, -3, 0}, ""},
      {"1,,2", {}, "position 2 of --positions ('') is not a number"},
      {"1,2,", {}, "position 3 of --positions ('') is not a number"},
      // A spreadsheet's column or row pasted: line breaks, tabs, semicolons.
      {"1\n2\r\n-3\r\n\n", {1, 2, -3}, ""},
      {"0\t1.5\t2", {0, 1.5, 2}, ""},
      {"4;5;", {4, 5}, ""},
      {"1\n\n2", {}, "position 2 of --positions ('') is not a number"},
      {"1\n2,5",
       {},
       "position 2 of --positions ('2,5') has a decimal comma: write it with a point (2.5)"},
      {"1\n2,5,6", {}, "position 2 of --positions ('2,5,6') is not a number"},
      {"1;#N/A",
       {},
       "position 2 of --positions ('#N/A') is a spreadsheet's error value: the formula for this "
       "position failed; correct it in the spreadsheet (or delete the row) and save the file "
       "again"},
      {"trades.CSV",
       {},
       "--positions takes the positions themselves; 'trades.CSV' is a file's name: give a session "
       "file with --file trades.CSV"},
      {"1,trades.csv", {}, "position 2 of --positions ('trades.csv') is not a number"},
  };
  for (const auto& c : cases) {
    std::vector<double> positions;
    const auto [code, fault] = ErrorOf([&] { positions = ParsePositionList(c.list); });
    EXPECT_EQ(positions, c.positions) << c.list;
    EXPECT_EQ(fault, c.fault) << c.list;
  }
}

TEST(ReplayFormatTest, TableAndJsonShowUnchangedSteps) {
  const ReplayStep written{1, 0, true, 4};
  const ReplayStep unchanged{2, std::numeric_limits<double>::quiet_NaN(), false, 4};
  StepTable table;
  EXPECT_EQ(table.Header() + table.Line(written) + table.Line(unchanged),
            "step  position  order quantity\n"
            "1     0         4\n"
            "2     nan       unchanged\n");
  EXPECT_EQ(JsonStep(written) + JsonStep(unchanged),
            "{\"step\":1,\"position\":0,\"written\":true,\"order_quantity\":4}\n"
            "{\"step\":2,\"position\":\"nan\",\"written\":false,\"order_quantity\":null}\n");
}

// A position or step wider than its column widens it, with the header
// again above; positions known before the header widen it from the start.
TEST(ReplayFormatTest, WiderCellsWidenTheirColumnUnderANewHeader) {
  StepTable streamed;
  std::string lines = streamed.Header();
  for (const ReplayStep& step : {ReplayStep{1, 3, true, 1}, ReplayStep{2, -123456.7891, true, 1},
                                 ReplayStep{3, 0, true, 4}, ReplayStep{10000, 0, true, 4}}) {
    lines += streamed.Line(step);
  }
  EXPECT_EQ(lines,
            "step  position  order quantity\n"
            "1     3         1\n"
            "step  position      order quantity\n"
            "2     -123456.7891  1\n"
            "3     0             4\n"
            "step   position      order quantity\n"
            "10000  0             4\n");
  StepTable listed;
  listed.Fit(1, 3);
  listed.Fit(2, 1e-7);
  lines = listed.Header();
  lines += listed.Line({1, 3, true, 1});
  lines += listed.Line({2, 1e-7, true, 1});
  EXPECT_EQ(lines,
            "step  position  order quantity\n"
            "1     3         1\n"
            "2     1e-07     1\n");
  listed.Fit(3, 1234567890.5);
  lines = listed.Header();
  lines += listed.Line({3, 1234567890.5, true, 1});
  EXPECT_EQ(lines,
            "step  position      order quantity\n"
            "3     1234567890.5  1\n");
}

// Names as file managers leave them, beyond the transcript's: .txt saved
// after a name's .csv, a blank typed after a name (Windows drops it
// itself); a missing file left for opening to name, a name Windows cannot
// have refused.
TEST(SessionFileNameTest, FindsTheFileMeantOrNamesWhatItCouldBe) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("session-names-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder);
  for (const char* name : {"monday.txt", "friday.csv.txt"}) {
    std::ofstream(folder / name) << "position\n1\n";
  }
  const std::string in = folder.generic_string() + "/";
  const struct {
    std::string named;
    std::string path;
    std::string note;
    std::string fault;
  } cases[] = {
    {"monday.txt", "monday.txt", "", ""},
    {"friday.csv", "friday.csv.txt",
     "there is no file '" + in + "friday.csv', so replaying '" + in + "friday.csv.txt'", ""},
    {"saturday", "saturday", "", ""},
    {"day?.csv", "", "",
     "--file: '" + in +
         "day?.csv' holds '?', which no Windows file name can: a wildcard, which "
         "the tool does not expand: give one file's own name"},
#if !defined(_WIN32)
    {"monday.txt ", "monday.txt",
     "there is no file '" + in + "monday.txt ' (a blank at its end), so replaying '" + in +
         "monday.txt'",
     ""},
#endif
  };
  for (const auto& c : cases) {
    SessionFileFound found;
    const auto [code, fault] = ErrorOf([&] { found = FindSessionFile(in + c.named); });
    EXPECT_EQ(fault, c.fault) << c.named;
    if (!c.fault.empty()) continue;
    EXPECT_EQ(found.path, in + c.path) << c.named;
    EXPECT_EQ(found.note, c.note) << c.named;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
