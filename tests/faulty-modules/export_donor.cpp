// A library that defines the module-name export, for a faulty module that
// has none of its own but depends on this library: the loader then finds
// the export here, outside the module.
#include "study/study_exports.h"

STUDY_KIT_EXPORT const char* scdll_DLLName() {
  return "zrPalvessa";
}
