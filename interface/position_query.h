// Asking the host for the current trading position.
#pragma once

#include <cstddef>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "interface/study_interface.h"

#if defined(__SSE2__)
template <std::size_t... Chunk>
inline void StoreZeroChunks(unsigned char* bytes, std::index_sequence<Chunk...>) {
  const __m128i zero = _mm_setzero_si128();
  (_mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + Chunk * 16), zero), ...);
}
#endif

// Zeroes a position record. With SSE2 as twenty straight-line 16-byte
// stores: on the hot path they cost less than the string instruction or the
// call that a 320-byte memset (or a loop the compiler turns into one) becomes.
inline void ZeroPositionRecord(PositionRecord& record) {
#if defined(__SSE2__)
  static_assert(sizeof(PositionRecord) % 16 == 0, "whole 16-byte stores");
  StoreZeroChunks(reinterpret_cast<unsigned char*>(&record),
                  std::make_index_sequence<sizeof(PositionRecord) / 16>{});
#else
  std::memset(&record, 0, sizeof record);
#endif
}

// A position record on the caller's stack: zeroed, leading field 12, both
// text fields empty. When it goes out of scope (on every way out) it releases
// any owned text the host placed in it, the field at 256 first.
class ScopedPositionRecord {
 public:
  ScopedPositionRecord() {
    ZeroPositionRecord(record_);
    record_.leading_field = kPositionRecordLeadingValue;
    record_.first_text = MakeStudyText();
    record_.second_text = MakeStudyText();
  }
  ~ScopedPositionRecord() {
    // Most hosts place no owned text: test before calling out.
    if (record_.second_text.owned != 0) ReleaseText(record_.second_text);
    if (record_.first_text.owned != 0) ReleaseText(record_.first_text);
  }
  ScopedPositionRecord(const ScopedPositionRecord&) = delete;
  ScopedPositionRecord& operator=(const ScopedPositionRecord&) = delete;

  PositionRecord& get() { return record_; }

 private:
  PositionRecord record_;
};

// Calls the host's position query with `position` and returns the quantity it
// reports. The caller makes sure the query service is present.
inline double QueryPosition(StudyInterface& record, ScopedPositionRecord& position) {
  record.position_query(&position.get());
  return position.get().quantity;
}
