// Counting what is in use on the heaps a module can allocate from (the
// process heap, and on Windows the C runtime's too), to find blocks a module
// leaks across many calls or loads.
#pragma once

#include <cstdint>

struct HeapCensus {
  bool supported = false;    // false where this build cannot count the heap
  std::int64_t blocks = -1;  // blocks in use, -1 where only bytes are known
  std::int64_t bytes = 0;    // bytes in use
};

// What is in use on the heap the host shares with modules, right now.
HeapCensus TakeHeapCensus();

// Blocks in use that hold exactly `text` and its terminating zero; -1 where
// this build cannot look into the heap.
std::int64_t CountBlocksHolding(const char* text);
