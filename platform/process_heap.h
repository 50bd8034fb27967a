// The process heap shared by the host and the module.
//
// Every text block the module hands to the host, and every block the host
// hands to the module to release, lives on this one heap. Windows builds use
// the kernel32 process heap; native builds use the C heap. Tests link a
// counting heap (platform/counting_heap.h) in place of the real one.
#pragma once

#include <cstddef>

namespace process_heap {

// Returns a block of `size` bytes, or null when the heap has none. `size` is
// greater than 0; the contents are unspecified. Never throws.
void* Allocate(std::size_t size) noexcept;

// Returns `block` (not null) to the heap. The block may have been allocated by
// the host rather than the module; the result of the release is not examined.
void Free(void* block) noexcept;

}  // namespace process_heap
