// A process heap for tests, benchmarks and fuzzers: linked in place of the
// real one, it counts every block, can make chosen allocations fail, and
// reports releases of blocks it never handed out instead of crashing on them.
// Single-threaded by design, like the calls it observes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace counting_heap {

struct Counts {
  std::int64_t allocations = 0;    // successful Allocate calls
  std::int64_t failures = 0;       // Allocate calls made to fail
  std::int64_t frees = 0;          // Free calls of live blocks
  std::int64_t unknown_frees = 0;  // Free calls of blocks that are not live (double or foreign)
  std::int64_t live_blocks = 0;    // blocks allocated and not yet freed
  std::size_t last_request = 0;    // size asked for by the latest Allocate call
  std::int64_t heap_calls() const { return allocations + failures + frees + unknown_frees; }
};

Counts Snapshot();

// Makes the n-th Allocate call from now fail (1 is the next one); 0 disables.
void FailNthAllocation(std::int64_t n);
// Makes every Allocate call fail while `on` is true.
void FailEveryAllocation(bool on);
// Makes every Allocate call for more than `size` bytes fail, as an
// exhausted heap would; 0 removes the limit. StopFailing keeps it.
void SetLargestBlock(std::size_t size);
// Restores normal allocation (clears both failure settings).
void StopFailing();

// True when `block` is a live block of this heap.
bool IsLiveBlock(const void* block);
// Size requested for a live block, 0 for anything else.
std::size_t BlockSize(const void* block);

// Restores normal allocation when it goes out of scope.
class ScopedAllocationFailure {
 public:
  // Fails the n-th allocation from now; n = 0 fails every allocation.
  explicit ScopedAllocationFailure(std::int64_t n) {
    if (n == 0) {
      FailEveryAllocation(true);
    } else {
      FailNthAllocation(n);
    }
  }
  ~ScopedAllocationFailure() { StopFailing(); }
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;
};

}  // namespace counting_heap
