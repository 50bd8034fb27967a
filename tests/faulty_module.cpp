// Study modules with one deliberate fault each, built to prove that
// study-host finds what it claims to find. FAULT selects the fault:
//   1 missing export, 2 wrong interface version, 3 crash on the defaults call,
//   4 stray write to a host-private byte, 5 heap block leaked per call,
//   6 fractional quantity while scaling out.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/process_heap.h"
#include "study/order_quantity_study.h"
#include "study/study_exports.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#endif

#ifndef FAULT
#error "FAULT selects the fault to build"
#endif

namespace {

[[noreturn, maybe_unused]] void Crash() {
#if defined(_WIN32)
  RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#else
  std::raise(SIGSEGV);
#endif
  std::abort();
}

}  // namespace

extern "C" {

STUDY_EXPORT const char* scdll_DLLName() {
  return "zrPalvessa";
}

STUDY_EXPORT std::int32_t scdll_DLLVersion() {
  return FAULT == 2 ? 1234 : kHostInterfaceVersion;
}

#if FAULT != 1
STUDY_EXPORT void scsf_zrPalvessa(StudyInterface* record) {
  if (record == nullptr) return;
  if (FAULT == 3 && record->defaults_flag != 0) Crash();
  const double before = record->order_quantity;
  RunStudy(*record);
  if (record->defaults_flag != 0) return;
  if (FAULT == 4) record->reserved_2440[100] ^= 0x01;
  if (FAULT == 5) process_heap::Allocate(24);
  if (FAULT == 6 && record->order_quantity != before && record->order_quantity > 1) {
    record->order_quantity -= 0.5;
  }
}
#endif

}  // extern "C"
