// A study module loaded as the host loads it, with its three exports resolved.
#pragma once

#include <cstdint>
#include <string>

#include "host/dynamic_library.h"
#include "interface/study_interface.h"

using ModuleNameExport = const char* (*)();
using ModuleVersionExport = std::int32_t (*)();
using StudyFunctionExport = void (*)(StudyInterface*);

inline constexpr const char* kModuleNameExport = "scdll_DLLName";
inline constexpr const char* kModuleVersionExport = "scdll_DLLVersion";
inline constexpr const char* kStudyFunctionExport = "scsf_zrPalvessa";

enum class ModuleLoadError {
  kNone,
  kNotLoadable,    // the loader refused the file (missing, not a module, unresolved imports)
  kMissingExport,  // loaded, but one of the three exports is absent
};

struct StudyModule {
  DynamicLibrary library;
  ModuleNameExport name = nullptr;
  ModuleVersionExport version = nullptr;
  StudyFunctionExport study = nullptr;
};

// Loads `path` and resolves the exports. On failure returns the kind of error
// and a one-line reason (the loader's, or the missing export's name).
ModuleLoadError LoadStudyModule(const std::string& path, StudyModule& module, std::string& reason);
