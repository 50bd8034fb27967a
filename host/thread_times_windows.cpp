// Windows: the system does not tell a thread's waits (see thread_times.h).
#include "host/thread_times.h"

std::int64_t TimeWaitedForProcessor() {
  return -1;
}
