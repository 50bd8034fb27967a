#include "tools/study-host/sandbox/time_limit.h"

#include <algorithm>

ChildTimeLimit::ChildTimeLimit(const ChildTerms& terms, std::int64_t now)
    : limit_(static_cast<std::int64_t>(terms.limit_seconds) * 1000),
      between_reports_(terms.limit == TimeLimit::kBetweenReports),
      may_wait_(terms.may_wait_for_input),
      deadline_(now + limit_),
      last_look_(now) {}

void ChildTimeLimit::Advance(std::int64_t now) {
  if (Waiting()) deadline_ += now - last_look_;
  last_look_ = now;
}

void ChildTimeLimit::Reported(std::int64_t now, bool waiting) {
  said_waiting_ = waiting;
  if (between_reports_) deadline_ = now + limit_;
}

bool ChildTimeLimit::Expired(std::int64_t now) const {
  return !Waiting() && now >= deadline_;
}

std::int64_t ChildTimeLimit::NextWait(std::int64_t now, std::int64_t slice) const {
  if (Waiting()) return slice;
  return std::clamp<std::int64_t>(deadline_ - now, 0, slice);
}
