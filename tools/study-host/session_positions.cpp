#include "session_positions.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "text_parsing.h"
#include "tool_error.h"

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    fields.push_back(Trimmed(line.substr(start, comma - start)));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

bool IsSkipped(const std::string& line) {
  const std::string trimmed = Trimmed(line);
  return trimmed.empty() || trimmed[0] == '#';
}

[[noreturn]] void Malformed(const std::string& file_name, int line_number,
                            const std::string& what) {
  throw ToolError(kExitSessionFile, file_name + ":" + std::to_string(line_number) + ": " + what);
}

}  // namespace

std::vector<double> ParsePositionList(const std::string& list) {
  if (Trimmed(list).empty()) throw ToolError(kExitUsage, "the position list is empty");
  std::vector<double> positions;
  const std::vector<std::string> entries = SplitFields(list);
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const auto position = ParsePosition(entries[index]);
    if (!position) {
      throw ToolError(kExitUsage, "position " + std::to_string(index + 1) + " of --positions ('" +
                                      entries[index] + "') is not a number");
    }
    positions.push_back(*position);
  }
  return positions;
}

std::vector<double> ParseSessionText(const std::string& text, const std::string& file_name) {
  std::istringstream lines(text);
  std::string line;
  int line_number = 0;
  std::vector<std::string> header;
  std::size_t position_column = 0;
  std::vector<double> positions;
  while (std::getline(lines, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsSkipped(line)) continue;
    const std::vector<std::string> fields = SplitFields(line);
    if (header.empty()) {
      header = fields;
      const auto found = std::find_if(header.begin(), header.end(), [](const std::string& name) {
        return Lowercase(name) == "position";
      });
      if (found == header.end()) {
        Malformed(file_name, line_number, "expected a header row with a 'position' column");
      }
      position_column = static_cast<std::size_t>(found - header.begin());
      continue;
    }
    if (fields.size() != header.size()) {
      Malformed(file_name, line_number,
                "expected " + std::to_string(header.size()) + " fields as in the header, found " +
                    std::to_string(fields.size()));
    }
    const auto position = ParsePosition(fields[position_column]);
    if (!position) {
      Malformed(file_name, line_number,
                "expected a number in column 'position', found '" + fields[position_column] + "'");
    }
    positions.push_back(*position);
  }
  if (header.empty()) Malformed(file_name, line_number, "expected a header row, found none");
  if (positions.empty()) {
    Malformed(file_name, line_number, "expected at least one position after the header");
  }
  return positions;
}

std::vector<double> ReadSessionFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ToolError(kExitSessionFile, path + ": cannot open the session file");
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) throw ToolError(kExitSessionFile, path + ": cannot read the session file");
  return ParseSessionText(text.str(), path);
}
