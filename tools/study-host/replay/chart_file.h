// The file replay --chart draws into. The chart is written under a
// temporary name beside it and put in its place only when whole, so
// whatever ends a replay (a failure, Ctrl+C) leaves either the new chart or
// whatever was there before, never half a picture. A path that cannot be
// written is said before the replay starts.
#pragma once

#include <string>

// Whether `path` names an SVG file by its ending (any case).
bool NamesSvgFile(const std::string& path);

class ChartFile {
 public:
  // Throws ToolError (output) naming the path and what to do.
  explicit ChartFile(std::string path);
  ~ChartFile();  // removes the temporary file unless the chart took its place
  ChartFile(const ChartFile&) = delete;
  ChartFile& operator=(const ChartFile&) = delete;

  // Writes the whole chart and puts it in place. Throws ToolError (output),
  // or Interruption when the run was stopped before it was in place.
  void Write(const std::string& svg);

 private:
  void Close();

  std::string path_;
  std::string temporary_;  // beside it, so that putting it in place is one step
  int descriptor_ = -1;
  bool placed_ = false;
};
