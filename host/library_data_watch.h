// What a module leaves in the runtime libraries' own data (see
// library_data.h): their state before it was loaded and after it was
// unloaded, compared whole. What the libraries change by themselves is
// learned from the tool's own work with no module loaded, done before and
// after in the same way, never listed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/library_data.h"

class RuntimeLibraryWatch {
 public:
  // Learns what the libraries change while only `tool_work` runs (the
  // work the check does around the module, with a module of the tool's own
  // that does nothing in its place), and takes the state to compare
  // against. Before anything is learned, the C++ runtime numbers every
  // standard facet (it does so at a facet's first use).
  explicit RuntimeLibraryWatch(std::function<void()> tool_work);

  // After the module is gone: the tool's work once more, then each
  // difference from the state taken at the start, in words. A difference
  // that moves again while the tool alone works is the libraries' own: it
  // is learned then, not told.
  std::vector<std::string> Changes();

 private:
  // The tool's work, with the C heap put through its states; each state
  // taken, and what changed learned when `learn` says so.
  void Round(bool learn);

  std::function<void()> tool_work_;
  LibraryDataNoise noise_;
  LibraryData last_;
  LibraryData before_;
};
