// The records of a CSV text (RFC 4180: quoted fields, doubled quotes,
// separators and line breaks inside quotes), read one at a time in constant
// memory, as spreadsheets and editors save them: the bytes UTF-8 or UTF-16
// (see Utf8Reader), lines ending in LF, CRLF or a lone CR, blank lines and
// comments skipped (a line whose first character after blanks is '#',
// unless a spreadsheet's error value such as "#N/A" starts it: that is a
// record), blanks around unquoted fields trimmed. A file that is something
// else (see FileKindSniffer) is refused by its first bytes.
// The first record's first comma, semicolon or tab is the separator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/study-host/replay/file_kind_sniffer.h"
#include "tools/study-host/replay/session_encoding.h"

// The longest record, in bytes, its line end not counted: a line, or the
// lines of a record whose quoted field holds line breaks.
inline constexpr std::size_t kLongestSessionRecord = 4096;

class CsvRecordReader {
 public:
  // `name` places faults ("s.csv:3: ..."); `waiting` is told true before a
  // read that may block, false after it.
  CsvRecordReader(ByteSource read_some, std::string name, std::function<void(bool)> waiting);

  // Reads the next record into `fields`; false at the end. Throws ToolError
  // (session file) naming the line of a fault.
  bool Next(std::vector<std::string>& fields);

  // The separator, once the first record has shown it (0 before; a comma
  // when the first record had one field).
  char separator() const { return separator_; }
  // The line the latest record started on, and the line the reader is on.
  std::int64_t record_line() const { return record_line_; }
  std::int64_t line() const { return line_; }
  // The first record's text as found, for messages about it: its first
  // kFirstRecordShown bytes, "..." after them when it is longer.
  std::string FirstRecordShown() const;
  static constexpr std::size_t kFirstRecordShown = 60;

  [[noreturn]] void Malformed(std::int64_t line, const std::string& what) const;

 private:
  int Get();
  int Peek();
  void Refill();
  void SkipLine();
  bool ReadErrorValueAfterHash();
  void RefuseOtherKinds();
  std::string UnclosedQuote(const std::string& how_far) const;
  void StartRecord();
  void EndField(std::vector<std::string>& fields);
  bool IsSeparator(int c);
  bool IsBlank(int c) const;

  Utf8Reader read_some_;
  std::string name_;
  std::function<void(bool)> waiting_;
  std::vector<char> buffer_;
  std::size_t buffered_ = 0;
  std::size_t next_ = 0;
  bool at_end_ = false;
  std::int64_t line_ = 1;         // the line the next byte is on
  std::int64_t record_line_ = 1;  // the line the current record started on
  std::size_t record_bytes_ = 0;
  bool first_record_read_ = false;
  std::string first_record_text_;
  FileKindSniffer sniffer_;      // the first bytes, to tell a file that is something else by
  std::int64_t quote_line_ = 0;  // where the open quoted field's quote stands; 0 outside one
  char separator_ = 0;           // none until the first record shows it
  std::string field_;
};
