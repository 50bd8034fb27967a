// What a module needs where a trader puts it: a host's folder holding only
// the module, with nothing reachable but the system's own libraries. Told
// from the module file itself: the libraries it imports (a Windows DLL's
// import table, a Linux library's needed entries) and how it was built
// (on Windows: ASLR, DEP, high-entropy addresses; on Linux: a stack that
// may not be executed).
#pragma once

#include <string>
#include <vector>

struct DeploymentJudgment {
  bool read = false;                  // false: the file's headers could not be read
  std::vector<std::string> imports;   // the libraries it imports, as named there
  std::vector<std::string> failures;  // a library a host's machine lacks, in words
  std::vector<std::string> warnings;  // what a host's machine may lack, or a protection missing
};

// The judgment of the module file at `path` (UTF-8) on this system.
DeploymentJudgment JudgeDeployment(const std::string& path);
