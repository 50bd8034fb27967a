// The module's exports, under plain undecorated names.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"

#if defined(_WIN32)
#define STUDY_EXPORT __declspec(dllexport)
#else
#define STUDY_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// The module's name, "zrPalvessa".
STUDY_EXPORT const char* scdll_DLLName();

// The host interface version whose record layout the module expects: 2683.
STUDY_EXPORT std::int32_t scdll_DLLVersion();

// The study function, called by the host with its record for every update.
STUDY_EXPORT void scsf_zrPalvessa(StudyInterface* record);

}  // extern "C"
