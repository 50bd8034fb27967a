// The positions a replay feeds the study, from the command line or from a
// session file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/replay/csv_records.h"
#include "tools/study-host/replay/session_encoding.h"
#include "tools/study-host/replay/session_numbers.h"

// "0,3,-3,0": positions parted by commas, or, as pasted from a spreadsheet's
// column or row, by line breaks, tabs or semicolons. Throws ToolError
// (usage) on an entry that is not a number, saying why (a decimal comma, a
// spreadsheet's error value, a file's name given for the list).
std::vector<double> ParsePositionList(const std::string& list);

// The positions of a session file: CSV records (see CsvRecordReader) whose
// first is a header with exactly one column named "position" (in any case);
// every record after it has as many fields (an empty last field that only
// the header or only the record has aside), and a number in that column,
// written as spreadsheets and web pages write it (see SessionNumbers).
// Records holding nothing but separators are blank lines; a spreadsheet's
// error value where a position should be is named as one. A column named
// "expected" holds what the study must make of each step, which turns the
// session into a regression test.
class SessionReader {
 public:
  // `waiting` is told true before a read that may block, false after it.
  SessionReader(
      ByteSource read_some, std::string name, std::function<void(bool)> waiting = [](bool) {});

  // The next position, or none after the last. Throws ToolError (session
  // file) naming the file and line of the first fault.
  std::optional<double> Next();

  // What the session expects of the step Next() just read, when it has an
  // "expected" column and the step's cell is not empty: a quantity, or
  // (the word "unchanged") that the study leaves the quantity alone.
  struct Expected {
    bool unchanged = false;
    double quantity = 0;
  };
  const std::optional<Expected>& expected() const { return expected_; }
  bool has_expected_column() const { return expected_column_.has_value(); }

 private:
  void ReadHeader();

  bool NextRecordWithData();
  bool HasHeadersFieldCount() const;
  double NumberIn(std::size_t column, const char* column_name, std::int64_t line);
  void ReadExpected(std::int64_t line);
  std::string FieldCountProblem() const;

  CsvRecordReader records_;
  std::optional<SessionNumbers> numbers_;  // once the header showed the separator
  std::vector<std::string> fields_;
  std::int64_t header_line_ = 1;
  std::size_t field_count_ = 0;  // the header's
  std::size_t position_column_ = 0;
  std::optional<std::size_t> expected_column_;
  std::optional<Expected> expected_;
  bool header_ends_empty_ = false;  // its last column has no name
  bool has_header_ = false;
  bool has_position_ = false;
};
