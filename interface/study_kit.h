// Everything a study for this host includes: the host's record and its
// input slots, the shared text value, finding an input and asking for the
// position, reading an input's value, and the macros that export a module's
// name, its interface version and its study functions under the plain
// names the host looks for.
//
//   #include "interface/study_kit.h"
//
//   STUDY_MODULE("StepSizer")
//   STUDY_FUNCTION(StepSizer) {  // exported as scsf_StepSizer
//     if (record == nullptr) return;
//     ...
//   }
//
// Build it with add_study_module() (cmake/StudyModule.cmake), which links
// the kit's text, conversions and process heap in and gives a DLL the
// flags a trader's machine needs.
#pragma once

#include <cstdint>

#include "interface/input_conversions.h"
#include "interface/input_slots.h"
#include "interface/position_query.h"
#include "interface/study_interface.h"
#include "interface/study_text.h"

// An export under its plain, undecorated name, as the host finds it.
#if defined(_WIN32)
#define STUDY_KIT_EXPORT extern "C" __declspec(dllexport)
#else
#define STUDY_KIT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Defines the module's two information exports: scdll_DLLName, returning
// `module_name` (by the host's custom the study function's name without
// scsf_), and scdll_DLLVersion, the interface version the record follows.
#define STUDY_MODULE(module_name)                    \
  STUDY_KIT_EXPORT const char* scdll_DLLName() {     \
    return module_name;                              \
  }                                                  \
  STUDY_KIT_EXPORT std::int32_t scdll_DLLVersion() { \
    return kHostInterfaceVersion;                    \
  }

// Declares, or with a body defines, the study function scsf_<name>, which
// the host calls with its record on every chart update (the record's
// defaults flag set for the call that declares the study). A module may
// export several.
#define STUDY_FUNCTION(name) STUDY_KIT_EXPORT void scsf_##name(StudyInterface* record)
