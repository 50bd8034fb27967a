// The tool's own module that does nothing (reference-module/), carried in
// the tool and written to a file of its own while a check needs it: loaded
// and unloaded in a module's place, it shows what a sound module's load and
// unload do to the process.
#pragma once

#include <string>

class ReferenceModuleFile {
 public:
  // Writes the module into the temporary folder; path() is "" where it
  // cannot.
  ReferenceModuleFile();
  // Removes the file (the module must be unloaded by then).
  ~ReferenceModuleFile();
  ReferenceModuleFile(const ReferenceModuleFile&) = delete;
  ReferenceModuleFile& operator=(const ReferenceModuleFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
