#include "study/study_exports.h"

#include "study/order_quantity_study.h"

STUDY_MODULE("zrPalvessa")

STUDY_FUNCTION(zrPalvessa) {
  if (record == nullptr) return;  // nothing to read or write
  RunStudy(*record);
}
