// The rules of a child's time limit, apart from how each platform waits and
// reads: the limit runs from the child's start, or from its latest report
// when it applies between reports; while the child says it waits for input
// of its own, and its terms allow that, the limit stands still.
#pragma once

#include <cstdint>

#include "tools/study-host/sandbox/child_process.h"

class ChildTimeLimit {
 public:
  // Times are milliseconds on a clock that only goes forward.
  ChildTimeLimit(const ChildTerms& terms, std::int64_t now);

  // Time has passed since the last look: while the child waits for input of
  // its own, the time is not the child's and the deadline moves with it.
  void Advance(std::int64_t now);

  // The child reported; `waiting` is what it last said of its own input.
  void Reported(std::int64_t now, bool waiting);

  bool Expired(std::int64_t now) const;

  // How long to wait for news before looking again: `slice` at most, and
  // no longer than the time left.
  std::int64_t NextWait(std::int64_t now, std::int64_t slice) const;

 private:
  bool Waiting() const { return may_wait_ && said_waiting_; }

  std::int64_t limit_;
  bool between_reports_;
  bool may_wait_;
  std::int64_t deadline_;
  std::int64_t last_look_;
  bool said_waiting_ = false;
};
