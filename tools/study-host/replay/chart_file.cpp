#include "tools/study-host/replay/chart_file.h"

#include "tools/study-host/common/text_format.h"

bool NamesSvgFile(const std::string& path) {
  constexpr char kEnding[] = ".svg";
  constexpr std::size_t kLength = sizeof kEnding - 1;
  return path.size() > kLength && Lowercase(path.substr(path.size() - kLength)) == kEnding;
}
