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
    if (Lowercase(Trimmed(fields_[column])) == "position") named.push_back(column);
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
}

std::optional<double> SessionReader::Next() {
  try {
    if (!has_header_) ReadHeader();
    if (!records_.Next(fields_)) {
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
    records_.Malformed(line, "expected " +
                                 Counted(static_cast<long long>(field_count_), "field", "fields") +
                                 " as in the header, found " + std::to_string(fields_.size()));
  }
  const std::string& text = fields_[position_column_];
  const ParsedPosition position =
      ParsePosition(records_.separator() == ';' ? WithDecimalPoint(text) : text);
  if (!position.problem.empty()) {
    records_.Malformed(line, "expected a number in column 'position', found '" + text + "'" +
                                 (position.problem == "is out of range" ? " (out of range)" : ""));
  }
  has_position_ = true;
  return position.value;
}
