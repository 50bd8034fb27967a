// The positions a replay feeds the study, from the command line or from a
// session file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// "0,3,-3,0": comma-separated positions. Throws ToolError (usage) on an entry
// that is not a number.
std::vector<double> ParsePositionList(const std::string& list);

// The longest record a session file may hold, in bytes: a line, or the lines
// of a record whose quoted field holds line breaks.
inline constexpr std::size_t kLongestSessionRecord = 4096;

// Reads up to `size` bytes into `buffer`: how many, 0 at the end, negative on
// a read error. May block until at least one byte is there.
using ByteSource = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

// A session file in CSV (RFC 4180: quoted fields, doubled quotes, commas and
// line breaks inside quotes), read one record at a time in constant memory.
// A UTF-8 byte-order mark, CRLF line ends, blank lines and lines starting
// with '#' are allowed. The first record is a header with exactly one column
// named "position"; every record after it has as many fields.
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
  [[noreturn]] void Malformed(std::int64_t line, const std::string& what) const;

  ByteSource read_some_;
  std::string name_;
  std::function<void(bool)> waiting_;
  std::vector<char> buffer_;
  std::size_t buffered_ = 0;
  std::size_t next_ = 0;
  bool at_end_ = false;
  bool started_ = false;
  std::int64_t line_ = 1;         // the line the next byte is on
  std::int64_t record_line_ = 1;  // the line the current record started on
  std::size_t record_bytes_ = 0;
  std::string field_;
  std::vector<std::string> fields_;
  std::size_t field_count_ = 0;  // the header's
  std::size_t position_column_ = 0;
  bool has_header_ = false;
  bool has_position_ = false;
};

// A session file opened for reading; throws ToolError (session file) when it
// cannot be opened or is a directory.
class SessionFile {
 public:
  explicit SessionFile(const std::string& path);
  ~SessionFile();
  SessionFile(const SessionFile&) = delete;
  SessionFile& operator=(const SessionFile&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  int descriptor_;
};
