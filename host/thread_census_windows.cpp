// Windows: the process's threads in the system's list of processes.
#include "host/system_process_list_windows.h"
#include "host/thread_census.h"

int ThreadsInProcess() {
  const std::optional<OwnProcessListing> listing = ListOwnProcess();
  return listing ? static_cast<int>(listing->thread_ids.size()) : -1;
}
