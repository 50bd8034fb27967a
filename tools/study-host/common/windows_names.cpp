#include "tools/study-host/common/windows_names.h"

#include <string_view>

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/text_format.h"

namespace {

// A path given in Windows' long form, "\\?\C:\...", whose '?' is no wildcard.
constexpr std::string_view kLongPathStart = "\\\\?\\";

std::string WhyCharacterIsKept(char c) {
  switch (c) {
    case '?':
    case '*':
      return "a wildcard, which the tool does not expand: give one file's own name";
    case '"':
      return "a quote: give the name without it";
    case '|':
    case '<':
    case '>':
      return "the command window's sign for passing output on: give the name without it";
    default:
      return "a control character: give the name without it";
  }
}

// The name without its ending and its trailing blanks and dots, as Windows
// compares it with its device names.
std::string DeviceNamePart(const std::string& file_name) {
  std::string part = file_name.substr(0, file_name.find('.'));
  part.erase(part.find_last_not_of(" .") + 1);
  return Lowercase(part);
}

bool IsDeviceName(const std::string& part) {
  for (const char* device : {"con", "prn", "aux", "nul"}) {
    if (part == device) return true;
  }
  const bool numbered =
      part.size() == 4 && (part.rfind("com", 0) == 0 || part.rfind("lpt", 0) == 0);
  return numbered && part[3] >= '1' && part[3] <= '9';
}

}  // namespace

std::string WindowsNameProblem(const std::string& path, const std::string& what,
                               const std::string& example) {
  const std::string shown = QuotedName(path);
  if (!path.empty() && path.back() == '\\') {
    return shown + " ends in a backslash, so it names a folder, not " + what +
           ": add the file's name ('" + Visible(path) + example + "')";
  }
  const std::string_view name =
      std::string_view(path).substr(path.rfind(kLongPathStart, 0) == 0 ? kLongPathStart.size() : 0);
  for (const char c : name) {
    const bool kept = c == '?' || c == '*' || c == '"' || c == '|' || c == '<' || c == '>' ||
                      (static_cast<unsigned char>(c) < 0x20);
    if (kept) {
      return shown + " holds '" + Visible(std::string(1, c)) +
             "', which no Windows file name can: " + WhyCharacterIsKept(c);
    }
  }
  const std::string part = DeviceNamePart(FileNameOf(path));
  if (IsDeviceName(part)) {
    return shown + " is a name Windows keeps for a device (" + part + "), never a file's: give " +
           what + " another name";
  }
  return "";
}
