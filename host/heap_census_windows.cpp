// Windows build: walks the process heap.
#include <windows.h>

#include <cstring>

#include "host/heap_census.h"

namespace {

// Calls visit(data, size) for every busy block of the process heap, the
// heap the host and the module share. (The C runtime's own heap also holds
// what a DLL's start-up code keeps for the loader; the module's C runtime
// calls are counted call by call instead.)
template <typename Visit>
bool WalkProcessHeap(Visit visit) {
  const HANDLE heap = GetProcessHeap();
  if (!HeapLock(heap)) return false;
  PROCESS_HEAP_ENTRY entry;
  entry.lpData = nullptr;
  while (HeapWalk(heap, &entry)) {
    if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) visit(entry.lpData, entry.cbData);
  }
  HeapUnlock(heap);
  return true;
}

}  // namespace

HeapCensus TakeHeapCensus() {
  HeapCensus census;
  std::int64_t blocks = 0;
  std::int64_t bytes = 0;
  census.supported = WalkProcessHeap([&](const void*, std::size_t size) {
    ++blocks;
    bytes += static_cast<std::int64_t>(size);
  });
  if (census.supported) {
    census.blocks = blocks;
    census.bytes = bytes;
  }
  return census;
}

std::int64_t CountBlocksHolding(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  std::int64_t found = 0;
  const bool walked = WalkProcessHeap([&](const void* data, std::size_t block_size) {
    if (block_size == size && std::memcmp(data, text, size) == 0) ++found;
  });
  return walked ? found : -1;
}
