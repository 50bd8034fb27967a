// A study module loaded as the host loads it: its name and interface
// version exports, and its study functions, found in its export table (every
// export whose name begins "scsf_").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/dynamic_library.h"
#include "interface/study_interface.h"

using ModuleNameExport = const char* (*)();
using ModuleVersionExport = std::int32_t (*)();
using StudyFunctionExport = void (*)(StudyInterface*);

inline constexpr const char* kModuleNameExport = "scdll_DLLName";
inline constexpr const char* kModuleVersionExport = "scdll_DLLVersion";
// Every export whose name begins with this is a study function.
inline constexpr const char* kStudyFunctionPrefix = "scsf_";

enum class ModuleLoadError {
  kNone,
  kNotLoadable,     // the loader refused the file (missing, not a module, unresolved imports)
  kMissingExport,   // loaded, but the name or version export, or every study function, is absent
  kStudyNotChosen,  // several study functions and none named, or one named that it lacks
};

struct NamedStudyFunction {
  std::string name;  // the export's name, "scsf_..."
  StudyFunctionExport function = nullptr;
};

struct StudyModule {
  DynamicLibrary library;
  ModuleNameExport name = nullptr;
  ModuleVersionExport version = nullptr;
  std::vector<NamedStudyFunction> studies;  // in the export table's order
  // The study function chosen for the calls, and its export's name.
  StudyFunctionExport study = nullptr;
  std::string study_name;
};

// Whether `export_name` names a study function.
bool IsStudyFunctionName(const std::string& export_name);

// Loads `path` and resolves the exports. The study function used is
// `wanted` (its export's name, with or without "scsf_"); with "" the one
// the module has. With `all_studies`, several study functions and none
// wanted is no error (the caller takes each in turn; none is chosen). On
// failure returns the kind of error and a one-line reason (the loader's,
// the missing export's name, or the study functions to choose from).
ModuleLoadError LoadStudyModule(const std::string& path, StudyModule& module, std::string& reason,
                                const std::string& wanted = "", bool all_studies = false);

// The same for a module whose library is already open (module.library):
// resolves its exports, reading its export table.
ModuleLoadError ResolveStudyModule(const std::string& path, StudyModule& module,
                                   std::string& reason, const std::string& wanted = "",
                                   bool all_studies = false);

// Chooses the study function `wanted` (as LoadStudyModule takes it) in a
// loaded module. Returns "" or why it cannot (naming those it has).
std::string ChooseStudy(StudyModule& module, const std::string& wanted);

// The module's study functions, as "scsf_A, scsf_B".
std::string StudyNames(const StudyModule& module);
