#include "tools/study-host/replay/session_positions.h"

#include <algorithm>
#include <new>

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

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
    if (Lowercase(Trimmed(WithPlainBlanks(fields_[column]))) == "position") {
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
  numbers_.emplace(records_.separator());
}

// The next record that holds anything: a row of separators alone, as a
// spreadsheet writes an emptied row, is a blank line.
bool SessionReader::NextRecordWithData() {
  while (records_.Next(fields_)) {
    for (const std::string& field : fields_) {
      if (!Trimmed(WithPlainBlanks(field)).empty()) return true;
    }
  }
  return false;
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
  if (fields_.size() != field_count_) {
    records_.Malformed(line, FieldCountProblem());
  }
  const std::string& text = fields_[position_column_];
  const SessionNumbers::Number number = numbers_->Read(text);
  const ParsedPosition position = ParsePosition(number.text);
  std::string problem = number.problem;
  if (problem.empty() && position.problem == "is out of range") problem = "out of range";
  if (!problem.empty() || !position.problem.empty()) {
    records_.Malformed(line, "expected a number in column 'position', found '" + Visible(text) +
                                 "'" + (problem.empty() ? "" : " (" + problem + ")"));
  }
  has_position_ = true;
  return position.value;
}
