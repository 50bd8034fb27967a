// The file replay --chart draws into: made before the replay starts, so a
// path that cannot be written is said at once, and removed again unless the
// chart was written into it.
#pragma once

#include <string>

// Whether `path` names an SVG file by its ending (any case).
bool NamesSvgFile(const std::string& path);

class ChartFile {
 public:
  // Throws ToolError (output) naming the path and what to do.
  explicit ChartFile(std::string path);
  ~ChartFile();
  ChartFile(const ChartFile&) = delete;
  ChartFile& operator=(const ChartFile&) = delete;

  // Writes the whole chart and closes the file. Throws ToolError (output).
  void Write(const std::string& svg);

 private:
  void Close();

  std::string path_;
  int descriptor_ = -1;
  bool written_ = false;
};
