#include "tools/study-host/replay/session_positions.h"

#include <algorithm>
#include <new>

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

constexpr std::size_t kHeaderShown = 60;

// "1,5" read as "1.5": a semicolon-separated file's decimal comma.
std::string WithDecimalPoint(std::string text) {
  if (text.find('.') == std::string::npos) std::replace(text.begin(), text.end(), ',', '.');
  return text;
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
    : read_some_(Utf8Reader(std::move(read_some))),
      name_(std::move(name)),
      waiting_(std::move(waiting)),
      buffer_(kReadSize) {}

void SessionReader::Malformed(std::int64_t line, const std::string& what) const {
  throw ToolError(kExitSessionFile, name_ + ":" + std::to_string(line) + ": " + what);
}

void SessionReader::Refill() {
  if (at_end_) return;
  waiting_(true);
  const std::ptrdiff_t got = read_some_.Read(buffer_.data(), buffer_.size());
  waiting_(false);
  if (got < 0) throw ToolError(kExitSessionFile, name_ + ": cannot read the session file");
  buffered_ = static_cast<std::size_t>(got);
  next_ = 0;
  at_end_ = got == 0;
}

int SessionReader::Peek() {
  while (next_ == buffered_ && !at_end_) Refill();
  return next_ < buffered_ ? static_cast<unsigned char>(buffer_[next_]) : kEnd;
}

// The next byte with "\r\n" and a lone "\r" read as "\n", counting lines
// and the record's length; kEnd at the end.
int SessionReader::Get() {
  int c = Peek();
  if (c == kEnd) return kEnd;
  ++next_;
  if (c == '\r') {
    if (Peek() == '\n') ++next_;
    c = '\n';
  }
  if (c == '\n') ++line_;
  // The line end that closes a record is not part of it.
  if (++record_bytes_ > kLongestSessionRecord + (c == '\n' ? 1 : 0)) {
    Malformed(record_line_, "longer than " + std::to_string(kLongestSessionRecord) + " bytes");
  }
  if (!has_header_ && c != '\n' && header_text_.size() <= kHeaderShown) {
    header_text_ += static_cast<char>(c);
  }
  return c;
}

// While the header is read, its first comma, semicolon or tab settles the
// separator.
bool SessionReader::IsSeparator(int c) {
  if (separator_ != 0) return c == separator_;
  if (c != ',' && c != ';' && c != '\t') return false;
  separator_ = static_cast<char>(c);
  return true;
}

// A blank around a field; a tab may still be the header's separator.
bool SessionReader::IsBlank(int c) const {
  return c == ' ' || (c == '\t' && separator_ != 0 && separator_ != '\t');
}

std::string SessionReader::HeaderFound() const {
  const bool cut = header_text_.size() > kHeaderShown;
  std::string found = "'";
  found += Escaped(header_text_.substr(0, kHeaderShown));
  found += cut ? "...'" : "'";
  return found;
}

void SessionReader::SkipLine() {
  for (int c = Get(); c != '\n' && c != kEnd; c = Get()) {
  }
  record_line_ = line_;
  record_bytes_ = 0;
  header_text_.clear();
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
        if (c == '\n' || IsSeparator(c)) {
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
          header_text_.clear();
          break;
        }
        empty = false;
        if (c == '"') {
          mode = Mode::kQuoted;
        } else if (c == '\n' || IsSeparator(c)) {
          EndField();
          if (c == '\n') return true;
        } else {
          field_ += static_cast<char>(c);
          mode = Mode::kUnquoted;
        }
        break;
      case Mode::kUnquoted:
        if (c == '\n' || IsSeparator(c)) {
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
  if (!NextRecord()) {
    Malformed(std::max<std::int64_t>(1, line_ - 1), "expected a header row, found none");
  }
  has_header_ = true;
  header_line_ = record_line_;
  if (separator_ == 0) separator_ = ',';
  field_count_ = fields_.size();
  std::vector<std::size_t> named;
  for (std::size_t column = 0; column < fields_.size(); ++column) {
    if (Lowercase(Trimmed(fields_[column])) == "position") named.push_back(column);
  }
  if (named.empty()) {
    Malformed(record_line_,
              "expected a header row with a 'position' column, found " + HeaderFound());
  }
  if (named.size() > 1) {
    Malformed(record_line_, "columns " + std::to_string(named[0] + 1) + " and " +
                                std::to_string(named[1] + 1) + " of the header " + HeaderFound() +
                                " are both named 'position'");
  }
  position_column_ = named[0];
}

std::optional<double> SessionReader::Next() {
  try {
    if (!has_header_) ReadHeader();
    if (!NextRecord()) {
      if (!has_position_)
        Malformed(header_line_, "expected at least one position after the header");
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
  const ParsedPosition position = ParsePosition(separator_ == ';' ? WithDecimalPoint(text) : text);
  if (!position.problem.empty()) {
    Malformed(record_line_, "expected a number in column 'position', found '" + text + "'" +
                                (position.problem == "is out of range" ? " (out of range)" : ""));
  }
  has_position_ = true;
  return position.value;
}
