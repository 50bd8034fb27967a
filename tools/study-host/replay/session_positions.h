// The positions a replay feeds the study, from the command line or from a
// session file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/replay/session_encoding.h"

// "0,3,-3,0": comma-separated positions. Throws ToolError (usage) on an entry
// that is not a number.
std::vector<double> ParsePositionList(const std::string& list);

// The longest record a session file may hold, in bytes, its line end not
// counted: a line, or the lines of a record whose quoted field holds line
// breaks.
inline constexpr std::size_t kLongestSessionRecord = 4096;

// A session file in CSV (RFC 4180: quoted fields, doubled quotes, separators
// and line breaks inside quotes), read one record at a time in constant
// memory. The bytes may be UTF-8 or UTF-16 (see Utf8Reader); lines may end
// in LF, CRLF or a lone CR; blank lines and lines starting with '#' are
// skipped. The first record is a header with exactly one column named
// "position"; its first comma, semicolon or tab is the file's separator
// (a comma when it has one column); every record after it has as many
// fields. In a semicolon-separated file a decimal comma is allowed ("1,5").
class SessionReader {
 public:
  // `waiting` is told true before a read that may block, false after it.
  SessionReader(
      ByteSource read_some, std::string name, std::function<void(bool)> waiting = [](bool) {});

  // The next position, or none after the last. Throws ToolError (session
  // file) naming the file and line of the first fault.
  std::optional<double> Next();

 private:
  bool NextRecord();
  int Get();
  int Peek();
  void Refill();
  void SkipLine();
  void EndField();
  void ReadHeader();
  bool IsSeparator(int c);
  bool IsBlank(int c) const;
  std::string HeaderFound() const;
  [[noreturn]] void Malformed(std::int64_t line, const std::string& what) const;

  Utf8Reader read_some_;
  std::string name_;
  std::function<void(bool)> waiting_;
  std::vector<char> buffer_;
  std::size_t buffered_ = 0;
  std::size_t next_ = 0;
  bool at_end_ = false;
  std::int64_t line_ = 1;         // the line the next byte is on
  std::int64_t record_line_ = 1;  // the line the current record started on
  std::int64_t header_line_ = 1;
  std::size_t record_bytes_ = 0;
  std::string header_text_;  // the header as found, for messages about it
  char separator_ = 0;       // none until the header shows it
  std::string field_;
  std::vector<std::string> fields_;
  std::size_t field_count_ = 0;  // the header's
  std::size_t position_column_ = 0;
  bool has_header_ = false;
  bool has_position_ = false;
};
