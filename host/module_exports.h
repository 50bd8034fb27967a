// What a module file exports: every name a host could find in it, and, for
// a Windows DLL, the file name its export directory gives.
#pragma once

#include <string>
#include <vector>

class DynamicLibrary;

struct ModuleExports {
  bool read = false;                 // false when the exports could not be read
  std::string problem;               // why not
  std::vector<std::string> names;    // exported names, in the table's order
  int unnamed = 0;                   // exports by number only (Windows)
  std::string directory_name;        // the export directory's own name (Windows), else ""
  std::vector<std::string> imports;  // the libraries it imports from, as it names them
};

// The exports of `module` (loaded from `path`).
ModuleExports ExportsOf(const DynamicLibrary& module, const std::string& path);
