// The time the calling thread has waited, ready to run, for a processor:
// what preemption on a busy machine adds to a call's wall time.
#pragma once

#include <cstdint>

// Nanoseconds the calling thread has waited for a processor so far
// (natively the scheduler's own account of it); -1 where the system does
// not tell it (Windows).
std::int64_t TimeWaitedForProcessor();
