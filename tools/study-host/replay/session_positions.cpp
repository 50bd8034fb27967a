#include "tools/study-host/replay/session_positions.h"

#include <algorithm>
#include <new>

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/number_characters.h"
#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/replay/spreadsheet_errors.h"

namespace {

constexpr char kListSeparators[] = ";\t\r\n";  // as a pasted column or row parts them

// The entries of a list: parted by commas, or, when it has any, by
// semicolons, tabs and line breaks (a column or row pasted from a
// spreadsheet), which may also end it.
std::vector<std::string> SplitList(std::string list) {
  for (std::size_t crlf; (crlf = list.find("\r\n")) != std::string::npos;) list.erase(crlf, 1);
  const bool pasted = list.find_first_of(kListSeparators) != std::string::npos;
  const std::string separators = pasted ? kListSeparators : ",";
  if (pasted) list.erase(list.find_last_not_of(std::string(kListSeparators) + " ") + 1);
  std::vector<std::string> entries;
  for (std::string::size_type start = 0;;) {
    const auto end = list.find_first_of(separators, start);
    entries.push_back(list.substr(start, end - start));
    if (end == std::string::npos) return entries;
    start = end + 1;
  }
}

// Why an entry is not a position, beyond "is not a number": a decimal comma
// in a pasted list, a spreadsheet's error value.
std::string EntryProblem(const std::string& entry, const std::string& problem) {
  if (IsSpreadsheetError(entry)) return std::string("is ") + kSpreadsheetErrorAdvice;
  if (entry.find(',') != std::string::npos) {
    std::string pointed = Trimmed(entry);
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    if (ParsePosition(pointed).problem.empty()) {
      return "has a decimal comma: write it with a point (" + pointed + ")";
    }
  }
  return problem;
}

// A list that is a file's name rather than numbers: refused, pointing to
// --file.
void RefuseFileName(const std::string& list) {
  const std::string name = Trimmed(list);
  const std::string lowered = Lowercase(name);
  const auto ends_with = [&lowered](const std::string& ending) {
    return lowered.size() > ending.size() &&
           lowered.compare(lowered.size() - ending.size(), ending.size(), ending) == 0;
  };
  if (StatusOf(name).kind == FileKind::kRegular || ends_with(".csv") || ends_with(".txt")) {
    throw ToolError(kExitUsage, "--positions takes the positions themselves; '" + Visible(name) +
                                    "' is a file's name: give a session file with --file " +
                                    Visible(name));
  }
}

}  // namespace

std::vector<double> ParsePositionList(const std::string& list) {
  std::vector<double> positions;
  const std::vector<std::string> entries = SplitList(list);
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const ParsedPosition position = ParsePosition(WithPlainNumberCharacters(entries[index]));
    if (!position.problem.empty()) {
      if (entries.size() == 1) RefuseFileName(list);
      throw ToolError(kExitUsage, "position " + std::to_string(index + 1) + " of --positions ('" +
                                      Visible(Trimmed(entries[index])) + "') " +
                                      EntryProblem(entries[index], position.problem));
    }
    positions.push_back(position.value);
  }
  return positions;
}

SessionReader::SessionReader(ByteSource read_some, std::string name,
                             std::function<void(bool)> waiting)
    : records_(std::move(read_some), std::move(name), std::move(waiting)) {}

void SessionReader::ReadHeader() {
  if (!records_.Next(fields_)) {
    records_.Malformed(std::max<std::int64_t>(1, records_.line() - 1),
                       "expected a header row, found none");
  }
  has_header_ = true;
  header_line_ = records_.record_line();
  field_count_ = fields_.size();
  std::vector<std::size_t> named;
  for (std::size_t column = 0; column < fields_.size(); ++column) {
    if (Lowercase(Trimmed(WithPlainNumberCharacters(fields_[column]))) == "position") {
      named.push_back(column);
    }
  }
  if (named.empty()) {
    records_.Malformed(header_line_, "expected a header row with a 'position' column, found " +
                                         records_.FirstRecordShown());
  }
  if (named.size() > 1) {
    records_.Malformed(header_line_, "columns " + std::to_string(named[0] + 1) + " and " +
                                         std::to_string(named[1] + 1) + " of the header " +
                                         records_.FirstRecordShown() +
                                         " are both named 'position'");
  }
  position_column_ = named[0];
  for (std::size_t column = 0; column < fields_.size(); ++column) {
    if (Lowercase(Trimmed(WithPlainNumberCharacters(fields_[column]))) == "expected") {
      expected_column_ = column;
    }
  }
  header_ends_empty_ =
      fields_.size() > 1 && Trimmed(WithPlainNumberCharacters(fields_.back())).empty();
  numbers_.emplace(records_.separator());
}

// The next record that holds anything: a row of separators alone, as a
// spreadsheet writes an emptied row, is a blank line.
bool SessionReader::NextRecordWithData() {
  while (records_.Next(fields_)) {
    for (const std::string& field : fields_) {
      if (!Trimmed(WithPlainNumberCharacters(field)).empty()) return true;
    }
  }
  return false;
}

// Whether the record has the header's fields. A separator that ends every
// row, as a spreadsheet saves an empty last column, adds an empty field:
// when only the header or only the record has it, the two still agree.
bool SessionReader::HasHeadersFieldCount() const {
  const auto empty_last = [](const std::vector<std::string>& fields) {
    return fields.size() > 1 && Trimmed(WithPlainNumberCharacters(fields.back())).empty();
  };
  if (fields_.size() == field_count_) return true;
  if (fields_.size() == field_count_ + 1) return empty_last(fields_);
  return fields_.size() + 1 == field_count_ && header_ends_empty_ &&
         position_column_ < fields_.size();
}

// Why a record has another number of fields than the header, when a likely
// reason shows: a decimal comma in a file of one column, whose separator is
// the comma.
std::string SessionReader::FieldCountProblem() const {
  std::string problem = "expected " +
                        Counted(static_cast<long long>(field_count_), "field", "fields") +
                        " as in the header, found " + std::to_string(fields_.size());
  const bool decimal_comma =
      field_count_ == 1 && fields_.size() == 2 && records_.separator() == ',' &&
      !Trimmed(fields_[0]).empty() && !Trimmed(fields_[1]).empty() &&
      Trimmed(fields_[1]).find_first_not_of("0123456789") == std::string::npos;
  if (decimal_comma) {
    const std::string number = Trimmed(fields_[0]) + "," + Trimmed(fields_[1]);
    problem += ": '" + Visible(number) +
               "' looks like a number with a decimal comma, which parts the columns of a file "
               "with one column; write it with a point, or in quotes (\"" +
               Visible(number) + "\")";
  }
  return problem;
}

std::optional<double> SessionReader::Next() {
  try {
    if (!has_header_) ReadHeader();
    if (!NextRecordWithData()) {
      if (!has_position_) {
        records_.Malformed(header_line_, "expected at least one position after the header");
      }
      return std::nullopt;
    }
  } catch (const std::bad_alloc&) {
    records_.Malformed(records_.line(), "out of memory");
  }
  const std::int64_t line = records_.record_line();
  if (!HasHeadersFieldCount()) records_.Malformed(line, FieldCountProblem());
  const double position = NumberIn(position_column_, "position", line);
  ReadExpected(line);
  has_position_ = true;
  return position;
}

// The number in `column` of the record just read, or the record refused.
double SessionReader::NumberIn(std::size_t column, const char* column_name, std::int64_t line) {
  const std::string& text = fields_[column];
  const std::string found = std::string("expected a number in column '") + column_name +
                            "', found '" + Visible(text) + "'";
  if (IsSpreadsheetError(text)) records_.Malformed(line, found + ", " + kSpreadsheetErrorAdvice);
  const SessionNumbers::Number number = numbers_->Read(text);
  const ParsedPosition value = ParsePosition(number.text);
  std::string problem = number.problem;
  if (problem.empty() && value.problem == "is out of range") problem = "out of range";
  if (problem.empty() && !value.problem.empty()) problem = LookAlikeInNumber(text);
  if (!problem.empty() || !value.problem.empty()) {
    records_.Malformed(line, found + (problem.empty() ? "" : " (" + problem + ")"));
  }
  return value.value;
}

void SessionReader::ReadExpected(std::int64_t line) {
  expected_.reset();
  if (!expected_column_ || *expected_column_ >= fields_.size()) return;
  const std::string cell =
      Lowercase(Trimmed(WithPlainNumberCharacters(fields_[*expected_column_])));
  if (cell.empty()) return;
  if (cell == "unchanged") {
    expected_ = Expected{true, 0};
    return;
  }
  expected_ = Expected{false, NumberIn(*expected_column_, "expected", line)};
}
