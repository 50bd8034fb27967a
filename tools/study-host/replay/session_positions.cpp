#include "tools/study-host/replay/session_positions.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

constexpr std::size_t kReadSize = 65536;
constexpr int kEnd = -1;

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> entries;
  std::string::size_type start = 0;
  while (true) {
    const auto comma = list.find(',', start);
    entries.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) return entries;
    start = comma + 1;
  }
}

bool IsBlank(int c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<double> ParsePositionList(const std::string& list) {
  std::vector<double> positions;
  const std::vector<std::string> entries = SplitList(list);
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const ParsedPosition position = ParsePosition(entries[index]);
    if (!position.problem.empty()) {
      throw ToolError(kExitUsage, "position " + std::to_string(index + 1) + " of --positions ('" +
                                      Trimmed(entries[index]) + "') " + position.problem);
    }
    positions.push_back(position.value);
  }
  return positions;
}

SessionReader::SessionReader(ByteSource read_some, std::string name,
                             std::function<void(bool)> waiting)
    : read_some_(std::move(read_some)),
      name_(std::move(name)),
      waiting_(std::move(waiting)),
      buffer_(kReadSize) {}

void SessionReader::Malformed(std::int64_t line, const std::string& what) const {
  throw ToolError(kExitSessionFile, name_ + ":" + std::to_string(line) + ": " + what);
}

void SessionReader::Refill() {
  if (at_end_) return;
  waiting_(true);
  const std::ptrdiff_t got = read_some_(buffer_.data(), buffer_.size());
  waiting_(false);
  if (got < 0) throw ToolError(kExitSessionFile, name_ + ": cannot read the session file");
  buffered_ = static_cast<std::size_t>(got);
  next_ = 0;
  at_end_ = got == 0;
  if (!started_) {
    started_ = true;
    if (buffered_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) next_ = 3;
  }
}

int SessionReader::Peek() {
  while (next_ == buffered_ && !at_end_) Refill();
  return next_ < buffered_ ? static_cast<unsigned char>(buffer_[next_]) : kEnd;
}

// The next byte with "\r\n" read as "\n", counting lines and the record's
// length; kEnd at the end.
int SessionReader::Get() {
  int c = Peek();
  if (c == kEnd) return kEnd;
  ++next_;
  if (c == '\r' && Peek() == '\n') {
    ++next_;
    c = '\n';
  }
  if (c == '\n') ++line_;
  if (++record_bytes_ > kLongestSessionRecord) {
    Malformed(record_line_, "longer than " + std::to_string(kLongestSessionRecord) + " bytes");
  }
  return c;
}

void SessionReader::SkipLine() {
  for (int c = Get(); c != '\n' && c != kEnd; c = Get()) {
  }
  record_line_ = line_;
  record_bytes_ = 0;
}

void SessionReader::EndField() {
  fields_.push_back(field_);
  field_.clear();
}

// Reads the next record into fields_; false at the end of the file.
bool SessionReader::NextRecord() {
  enum class Mode { kFieldStart, kUnquoted, kQuoted, kAfterQuote } mode = Mode::kFieldStart;
  fields_.clear();
  field_.clear();
  record_line_ = line_;
  record_bytes_ = 0;
  bool empty = true;  // no field started yet: a comment or blank line may still follow
  while (true) {
    const int c = Get();
    if (c == kEnd) {
      if (mode == Mode::kQuoted) Malformed(record_line_, "a quoted field is not closed");
      if (empty) return false;
      if (mode == Mode::kUnquoted) field_ = Trimmed(field_);
      EndField();
      return true;
    }
    switch (mode) {
      case Mode::kQuoted:
        if (c != '"') {
          field_ += static_cast<char>(c);
        } else if (Peek() == '"') {
          Get();
          field_ += '"';
        } else {
          mode = Mode::kAfterQuote;
        }
        break;
      case Mode::kAfterQuote:
        if (c == ',' || c == '\n') {
          EndField();
          if (c == '\n') return true;
          mode = Mode::kFieldStart;
        } else if (!IsBlank(c)) {
          Malformed(line_, "unexpected text after a closing quote");
        }
        break;
      case Mode::kFieldStart:
        if (IsBlank(c)) break;
        if (empty && (c == '#' || c == '\n')) {
          if (c == '#') SkipLine();
          record_line_ = line_;
          record_bytes_ = 0;
          break;
        }
        empty = false;
        if (c == '"') {
          mode = Mode::kQuoted;
        } else if (c == ',' || c == '\n') {
          EndField();
          if (c == '\n') return true;
        } else {
          field_ += static_cast<char>(c);
          mode = Mode::kUnquoted;
        }
        break;
      case Mode::kUnquoted:
        if (c == ',' || c == '\n') {
          field_ = Trimmed(field_);
          EndField();
          if (c == '\n') return true;
          mode = Mode::kFieldStart;
        } else {
          field_ += static_cast<char>(c);
        }
        break;
    }
  }
}

void SessionReader::ReadHeader() {
  if (!NextRecord()) Malformed(line_ - 1, "expected a header row, found none");
  has_header_ = true;
  field_count_ = fields_.size();
  std::vector<std::size_t> named;
  for (std::size_t column = 0; column < fields_.size(); ++column) {
    if (Lowercase(Trimmed(fields_[column])) == "position") named.push_back(column);
  }
  if (named.empty()) Malformed(record_line_, "expected a header row with a 'position' column");
  if (named.size() > 1) {
    Malformed(record_line_, "columns " + std::to_string(named[0] + 1) + " and " +
                                std::to_string(named[1] + 1) + " are both named 'position'");
  }
  position_column_ = named[0];
}

std::optional<double> SessionReader::Next() {
  try {
    if (!has_header_) ReadHeader();
    if (!NextRecord()) {
      if (!has_position_) Malformed(line_ - 1, "expected at least one position after the header");
      return std::nullopt;
    }
  } catch (const std::bad_alloc&) {
    throw ToolError(kExitSessionFile, name_ + ":" + std::to_string(line_) + ": out of memory");
  }
  if (fields_.size() != field_count_) {
    Malformed(record_line_, "expected " +
                                Counted(static_cast<long long>(field_count_), "field", "fields") +
                                " as in the header, found " + std::to_string(fields_.size()));
  }
  const std::string& text = fields_[position_column_];
  const ParsedPosition position = ParsePosition(text);
  if (!position.problem.empty()) {
    Malformed(record_line_, "expected a number in column 'position', found '" + text + "'" +
                                (position.problem == "is out of range" ? " (out of range)" : ""));
  }
  has_position_ = true;
  return position.value;
}

SessionFile::SessionFile(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    throw ToolError(kExitSessionFile, path + ": a directory, not a session file");
  }
#if defined(_WIN32)
  descriptor_ = _open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
  descriptor_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
  if (descriptor_ < 0) {
    throw ToolError(kExitSessionFile,
                    path + ": cannot open the session file (" + std::strerror(errno) + ")");
  }
}

SessionFile::~SessionFile() {
#if defined(_WIN32)
  _close(descriptor_);
#else
  close(descriptor_);
#endif
}

std::ptrdiff_t SessionFile::Read(char* buffer, std::size_t size) {
  while (true) {
#if defined(_WIN32)
    const int got = _read(descriptor_, buffer, static_cast<unsigned>(size));
#else
    const ssize_t got = read(descriptor_, buffer, size);
#endif
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}
