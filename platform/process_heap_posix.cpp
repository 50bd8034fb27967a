// Native build: the C heap stands in for the process heap, so a host and the
// module loaded into it allocate and release blocks on one shared heap.
#include <cstdlib>

#include "platform/process_heap.h"

namespace process_heap {

void* Allocate(std::size_t size) noexcept {
  return std::malloc(size);
}

void Free(void* block) noexcept {
  std::free(block);
}

}  // namespace process_heap
