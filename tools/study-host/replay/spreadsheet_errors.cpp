#include "tools/study-host/replay/spreadsheet_errors.h"

#include <cctype>

#include "tools/study-host/common/text_format.h"

namespace {

// Every value the common spreadsheets write for a failed formula.
constexpr std::string_view kErrorValues[] = {
    "#N/A",      "#VALUE!", "#DIV/0!",   "#REF!",    "#NAME?",        "#NUM!",
    "#NULL!",    "#SPILL!", "#CALC!",    "#FIELD!",  "#GETTING_DATA", "#BLOCKED!",
    "#CONNECT!", "#BUSY!",  "#UNKNOWN!", "#PYTHON!", "#EXTERNAL!",
};

// LibreOffice's "Err:" followed by its error number.
bool IsNumberedError(std::string_view text) {
  constexpr std::string_view kPrefix = "err:";
  if (text.size() <= kPrefix.size() || Lowercase(std::string(text.substr(0, 4))) != kPrefix) {
    return false;
  }
  for (const char c : text.substr(kPrefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool IsSpreadsheetError(std::string_view text) {
  const std::string value = Lowercase(Trimmed(text));
  for (const std::string_view error : kErrorValues) {
    if (value == Lowercase(std::string(error))) return true;
  }
  return IsNumberedError(value);
}

bool StartsSpreadsheetError(std::string_view start) {
  const std::string lowered = Lowercase(std::string(start));
  for (const std::string_view error : kErrorValues) {
    if (Lowercase(std::string(error.substr(0, lowered.size()))) == lowered) return true;
  }
  return false;
}
