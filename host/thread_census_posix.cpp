// Linux: the process's tasks in /proc.
#include <dirent.h>

#include "host/thread_census.h"

int ThreadsInProcess() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return -1;
  int threads = 0;
  while (const dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] != '.') ++threads;
  }
  closedir(tasks);
  return threads;
}
