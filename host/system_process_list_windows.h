// Windows: this process as the system's list of processes shows it, read
// in one request (a snapshot asks again for every thread of every process:
// under wine three requests to its server a thread).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct OwnProcessListing {
  std::vector<std::uint32_t> thread_ids;  // every thread of this process
  // The system's count of the process's handles; wine's is the size of the
  // process's handle table, past which no handle value lies.
  std::uint32_t handle_count = 0;
};

// Empty where the list cannot be read.
std::optional<OwnProcessListing> ListOwnProcess();
