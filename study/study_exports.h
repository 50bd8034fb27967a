// The module's exports, made with the study kit: its name "zrPalvessa", the
// interface version whose record layout it expects (2683), and its study
// function, which the host calls with its record on every update.
#pragma once

#include <cstdint>

#include "interface/study_kit.h"

STUDY_KIT_EXPORT const char* scdll_DLLName();
STUDY_KIT_EXPORT std::int32_t scdll_DLLVersion();
STUDY_FUNCTION(zrPalvessa);
