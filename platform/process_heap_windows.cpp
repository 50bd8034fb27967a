// Windows build: the kernel32 process heap, with no flags, as the host uses it.
#include <windows.h>

#include "platform/process_heap.h"

namespace process_heap {

void* Allocate(std::size_t size) noexcept {
  return HeapAlloc(GetProcessHeap(), 0, size);
}

void Free(void* block) noexcept {
  HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace process_heap
