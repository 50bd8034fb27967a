// A module loaded for a command's work in a child: each step announced as a
// phase (so a crash or hang can be placed), unloaded on every way out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "host/study_module.h"

// Seconds a module may take over one call of describe or replay before it
// counts as hung.
inline constexpr int kDefaultCallSeconds = 10;

// The phase of the call in which the study declares its inputs, in a
// trader's words (describe and replay make it first).
inline constexpr char kSetUpPhase[] = "the study's set-up call";

// Says what the child is about to do ("loading the module").
using PhaseReport = std::function<void(const std::string& phase)>;

// How far loading goes: the library alone, or its three exports resolved.
enum class LoadDepth { kLibrary, kExports };

class ModuleSession {
 public:
  explicit ModuleSession(PhaseReport report) : report_(std::move(report)) {}
  ~ModuleSession() { Unload(); }
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  // Loads `path` as far as `depth`, choosing the study function `study`
  // (see LoadStudyModule; "" with several: none chosen). The study function
  // chosen is called through a guard that turns an exception it lets out
  // into a module error (ToolError). Returns "" or the loader's reason, or
  // the missing export.
  std::string Load(const std::string& path, LoadDepth depth, const std::string& study = "");

  // Loads `path` for the host's calls, all the way, choosing the study
  // function `study` ("": the one it has; with `all_studies`, none when it
  // has several). Throws ToolError (module) saying which file could not be
  // loaded and why, or (usage) which study functions there are to choose.
  void LoadForHost(const std::string& path, const std::string& study = "",
                   bool all_studies = false);

  // Chooses another study function of the loaded module by its export name.
  void ChooseStudy(const std::string& study);

  // Unloads the module, announcing it, when one is loaded.
  void Unload();

  void Announce(const std::string& phase) const { report_(phase); }
  // Output the module wrote while it was loaded and unloaded (its own
  // start-up and clean-up code), apart from what it wrote in its calls.
  std::uint64_t output_at_load_and_unload() const { return output_at_load_and_unload_; }
  const StudyModule& module() const { return module_; }

 private:
  // Opens the module's library, its start-up code watched as the module's.
  bool OpenLibrary(const std::string& path, std::string& reason);
  // Puts the study function behind a guard that tells the module's
  // exceptions from the tool's.
  void GuardStudy();

  PhaseReport report_;
  StudyModule module_;
  std::uint64_t output_at_load_and_unload_ = 0;
};

// Refuses, without loading it, a module file whose headers show the loader
// cannot take it (damaged, another processor, not a module), saying so.
// Throws ToolError (module).
void RefuseUnloadableModule(const std::string& path);
