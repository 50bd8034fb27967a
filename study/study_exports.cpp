#include "study/study_exports.h"

#include "study/order_quantity_study.h"

extern "C" {

const char* scdll_DLLName() {
  return "zrPalvessa";
}

std::int32_t scdll_DLLVersion() {
  return kHostInterfaceVersion;
}

void scsf_zrPalvessa(StudyInterface* record) {
  if (record == nullptr) return;  // nothing to read or write
  RunStudy(*record);
}

}  // extern "C"
