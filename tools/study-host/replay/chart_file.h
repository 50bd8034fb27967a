// The file replay --chart draws into: whole or not at all (see WholeFile),
// a path that cannot be written said before the replay starts.
#pragma once

#include <string>

#include "tools/study-host/common/whole_file.h"

// Whether `path` names an SVG file by its ending (any case).
bool NamesSvgFile(const std::string& path);

class ChartFile : public WholeFile {
 public:
  // Throws ToolError (output) naming the path and what to do.
  explicit ChartFile(std::string path)
      : WholeFile(std::move(path), {"the chart", "--chart", "an image viewer or editor"}) {}
};
