// Asking the host for the current trading position.
#pragma once

#include <cstring>

#include "interface/study_interface.h"

// A position record on the caller's stack: zeroed, leading field 12, both
// text fields empty. When it goes out of scope (on every way out) it releases
// any owned text the host placed in it, the field at 256 first.
class ScopedPositionRecord {
 public:
  ScopedPositionRecord() {
    std::memset(&record_, 0, sizeof record_);
    record_.leading_field = kPositionRecordLeadingValue;
    record_.first_text = MakeStudyText();
    record_.second_text = MakeStudyText();
  }
  ~ScopedPositionRecord() {
    ReleaseText(record_.second_text);
    ReleaseText(record_.first_text);
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
