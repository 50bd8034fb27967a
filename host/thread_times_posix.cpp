// Linux: the scheduler's statistics of the thread (/proc/thread-self/
// schedstat: time run, time waited on a run queue).
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "host/thread_times.h"

namespace {

// The thread's scheduler statistics, kept open for the thread's life.
class SchedulerStatistics {
 public:
  SchedulerStatistics() : file_(open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}
  ~SchedulerStatistics() {
    if (file_ >= 0) close(file_);
  }
  SchedulerStatistics(const SchedulerStatistics&) = delete;
  SchedulerStatistics& operator=(const SchedulerStatistics&) = delete;

  // Nanoseconds waited on a run queue so far; -1 where unknown.
  std::int64_t Waited() const {
    char text[96];
    const ssize_t read = file_ >= 0 ? pread(file_, text, sizeof text - 1, 0) : -1;
    if (read <= 0) return -1;
    text[read] = '\0';
    char* end = nullptr;
    std::strtoll(text, &end, 10);  // the time run
    return std::strtoll(end, nullptr, 10);
  }

 private:
  int file_;
};

}  // namespace

std::int64_t TimeWaitedForProcessor() {
  static thread_local const SchedulerStatistics statistics;
  return statistics.Waited();
}
