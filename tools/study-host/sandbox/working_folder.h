// An empty folder for a child to work in, made in the temporary folder and
// removed, with whatever was written in it, when it goes out of scope.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class WorkingFolder {
 public:
  // Makes the folder; path() is empty when it could not be made.
  WorkingFolder();
  ~WorkingFolder();
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // What is in it now, as paths relative to it ("log.txt", "data/x").
  std::vector<std::string> Contents() const;

 private:
  std::filesystem::path path_;
};

#if defined(_WIN32)
// The Windows folder's own Temp, for when TMP and TEMP name none that works;
// "" when it cannot be asked.
std::wstring WindowsTemp();
#endif
