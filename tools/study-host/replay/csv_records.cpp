#include "tools/study-host/replay/csv_records.h"

#include <cstring>
#include <string_view>

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/replay/spreadsheet_errors.h"

namespace {

constexpr std::size_t kReadSize = 65536;
constexpr int kEnd = -1;

}  // namespace

CsvRecordReader::CsvRecordReader(ByteSource read_some, std::string name,
                                 std::function<void(bool)> waiting)
    : read_some_(Utf8Reader(std::move(read_some))),
      name_(std::move(name)),
      waiting_(std::move(waiting)),
      buffer_(kReadSize) {}

void CsvRecordReader::Malformed(std::int64_t line, const std::string& what) const {
  throw ToolError(kExitSessionFile, name_ + ":" + std::to_string(line) + ": " + what);
}

// Reads more after the bytes not yet taken, which move to the buffer's
// start.
void CsvRecordReader::Refill() {
  if (at_end_) return;
  buffered_ -= next_;
  std::memmove(buffer_.data(), buffer_.data() + next_, buffered_);
  next_ = 0;
  waiting_(true);
  const std::ptrdiff_t got =
      read_some_.Read(buffer_.data() + buffered_, buffer_.size() - buffered_);
  waiting_(false);
  if (got < 0) throw ToolError(kExitSessionFile, name_ + ": cannot read the session file");
  buffered_ += static_cast<std::size_t>(got);
  at_end_ = got == 0;
}

// A file that is something else (a workbook, an archive, a PDF, a web page,
// zero bytes) is refused by its first bytes, in words a trader can act on,
// before any of it is read as records.
void CsvRecordReader::RefuseOtherKinds() {
  for (std::size_t at = next_; !sniffer_.settled(); ++at) {
    while (at == buffered_ && !at_end_) {
      at -= next_;  // Refill moves the bytes not taken to the start
      Refill();
    }
    const std::string kind = at == buffered_ ? sniffer_.AtEnd() : sniffer_.Add(buffer_[at]);
    if (!kind.empty()) Malformed(1, kind);
  }
}

int CsvRecordReader::Peek() {
  while (next_ == buffered_ && !at_end_) Refill();
  return next_ < buffered_ ? static_cast<unsigned char>(buffer_[next_]) : kEnd;
}

// The next byte with "\r\n" and a lone "\r" read as "\n", counting lines
// and the record's length; kEnd at the end.
int CsvRecordReader::Get() {
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
    if (quote_line_ != 0) {
      Malformed(quote_line_, UnclosedQuote("past " + std::to_string(kLongestSessionRecord) +
                                           " bytes (to line " + std::to_string(line_) + ")"));
    }
    Malformed(record_line_, "longer than " + std::to_string(kLongestSessionRecord) + " bytes");
  }
  if (!first_record_read_ && c != '\n' && first_record_text_.size() <= kFirstRecordShown) {
    first_record_text_ += static_cast<char>(c);
  }
  return c;
}

// A quote that opens a field and is never closed takes the rest of the
// file into that field: said where it opened, with the field's start.
std::string CsvRecordReader::UnclosedQuote(const std::string& how_far) const {
  constexpr std::size_t kFieldShown = 20;
  const bool cut = field_.size() > kFieldShown;
  std::string said = "a quoted field is not closed: the quote before '";
  said += Visible(StartBetweenCharacters(field_, kFieldShown));
  said += cut ? "...'" : "'";
  return said + " opens it on this line and runs on " + how_far + "; close the quote, or remove it";
}

// While the first record is read, its first comma, semicolon or tab
// settles the separator.
bool CsvRecordReader::IsSeparator(int c) {
  if (separator_ != 0) return c == separator_;
  if (c != ',' && c != ';' && c != '\t') return false;
  separator_ = static_cast<char>(c);
  return true;
}

// A blank around a field; a tab may still be the separator.
bool CsvRecordReader::IsBlank(int c) const {
  return c == ' ' || (c == '\t' && separator_ != 0 && separator_ != '\t');
}

std::string CsvRecordReader::FirstRecordShown() const {
  const bool cut = first_record_text_.size() > kFirstRecordShown;
  // Built piece by piece: g++ 12 warns wrongly of overlap in a chain of +.
  std::string shown = "'";
  shown += Visible(first_record_text_.substr(0, kFirstRecordShown));
  shown += cut ? "...'" : "'";
  return shown;
}

void CsvRecordReader::StartRecord() {
  record_line_ = line_;
  record_bytes_ = 0;
  if (!first_record_read_) first_record_text_.clear();
}

void CsvRecordReader::SkipLine() {
  for (int c = Get(); c != '\n' && c != kEnd; c = Get()) {
  }
  StartRecord();
}

// After a '#' that starts a line: reads a spreadsheet's error value ("#N/A")
// into the field when one follows as a whole field (blanks may follow it
// before its separator or line end); false, having read no more than part
// of a comment, when none does.
bool CsvRecordReader::ReadErrorValueAfterHash() {
  std::string value = "#";
  const auto ends_field = [this](int c) {
    return c == kEnd || c == '\r' || c == '\n' ||
           (separator_ != 0 ? c == separator_ : c == ',' || c == ';' || c == '\t');
  };
  while (!IsSpreadsheetError(value) || (!ends_field(Peek()) && Peek() != ' ')) {
    const int c = Peek();
    if (c == kEnd || !StartsSpreadsheetError(value + static_cast<char>(c))) return false;
    value += static_cast<char>(Get());
  }
  while (Peek() == ' ') Get();
  if (!ends_field(Peek())) return false;
  field_ = value;
  return true;
}

void CsvRecordReader::EndField(std::vector<std::string>& fields) {
  fields.push_back(field_);
  field_.clear();
}

bool CsvRecordReader::Next(std::vector<std::string>& fields) {
  enum class Mode { kFieldStart, kUnquoted, kQuoted, kAfterQuote } mode = Mode::kFieldStart;
  const auto record_ends = [&] {
    if (separator_ == 0) separator_ = ',';
    first_record_read_ = true;
    return true;
  };
  if (!first_record_read_) RefuseOtherKinds();
  fields.clear();
  field_.clear();
  StartRecord();
  bool empty = true;  // no field started yet: a comment or blank line may still follow
  while (true) {
    const int c = Get();
    if (c == kEnd) {
      if (mode == Mode::kQuoted) Malformed(quote_line_, UnclosedQuote("to the end of the file"));
      if (empty) return false;
      if (mode == Mode::kUnquoted) field_ = Trimmed(field_);
      EndField(fields);
      return record_ends();
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
          quote_line_ = 0;
        }
        break;
      case Mode::kAfterQuote:
        if (c == '\n' || IsSeparator(c)) {
          EndField(fields);
          if (c == '\n') return record_ends();
          mode = Mode::kFieldStart;
        } else if (!IsBlank(c)) {
          Malformed(line_, "unexpected text after a closing quote");
        }
        break;
      case Mode::kFieldStart:
        if (IsBlank(c)) break;
        if (empty && c == '#') {
          // A comment, unless a spreadsheet's error value starts the line.
          if (ReadErrorValueAfterHash()) {
            empty = false;
            mode = Mode::kUnquoted;
          } else {
            SkipLine();
          }
          break;
        }
        if (empty && c == '\n') {
          StartRecord();
          break;
        }
        empty = false;
        if (c == '"') {
          mode = Mode::kQuoted;
          quote_line_ = line_;
        } else if (c == '\n' || IsSeparator(c)) {
          EndField(fields);
          if (c == '\n') return record_ends();
        } else {
          field_ += static_cast<char>(c);
          mode = Mode::kUnquoted;
        }
        break;
      case Mode::kUnquoted:
        if (c == '\n' || IsSeparator(c)) {
          field_ = Trimmed(field_);
          EndField(fields);
          if (c == '\n') return record_ends();
          mode = Mode::kFieldStart;
        } else {
          field_ += static_cast<char>(c);
        }
        break;
    }
  }
}
