// Windows build: walks every heap of the process.
#include <windows.h>

#include <cstring>
#include <iterator>

#include "host/heap_census.h"

namespace {

// Calls visit(data, size) for every busy block of every heap of the
// process: the process heap the host and the module share, and the C
// runtime's own heap, where some runtimes keep what a module's malloc and
// its start-up code allocate, at load as on any call.
template <typename Visit>
bool WalkEveryHeap(Visit visit) {
  HANDLE heaps[256];  // on the stack: the census allocates nothing itself
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(std::size(heaps)), heaps);
  if (count == 0 || count > std::size(heaps)) return false;
  for (DWORD index = 0; index < count; ++index) {
    const HANDLE heap = heaps[index];
    if (!HeapLock(heap)) return false;
    PROCESS_HEAP_ENTRY entry;
    entry.lpData = nullptr;
    while (HeapWalk(heap, &entry)) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) visit(entry.lpData, entry.cbData);
    }
    HeapUnlock(heap);
  }
  return true;
}

}  // namespace

HeapCensus TakeHeapCensus() {
  HeapCensus census;
  std::int64_t blocks = 0;
  std::int64_t bytes = 0;
  census.supported = WalkEveryHeap([&](const void*, std::size_t size) {
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
  const bool walked = WalkEveryHeap([&](const void* data, std::size_t block_size) {
    if (block_size == size && std::memcmp(data, text, size) == 0) ++found;
  });
  return walked ? found : -1;
}
