// The C heap's functions, replaced in a program that links this file (the
// tool, the benchmarks) so that every heap call of the process (a loaded
// module's included) is counted: each forwards to the C library's own and
// reports the call to heap_calls. Not under AddressSanitizer, which
// replaces them itself.
#include <malloc.h>

#include <cerrno>
#include <cstddef>

#include "host/heap_calls.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

void* Noted(void* block) {
  if (block != nullptr) heap_calls::NoteAllocation(block, malloc_usable_size(block));
  return block;
}

void NoteRelease(void* block) {
  if (block != nullptr) heap_calls::NoteRelease(block, malloc_usable_size(block));
}

struct Announce {
  Announce() { heap_calls::MarkSupported(); }
} announce;

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  return Noted(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) {
  return Noted(__libc_calloc(count, size));
}

void* realloc(void* block, std::size_t size) {
  if (block == nullptr) return malloc(size);
  const std::size_t old_size = malloc_usable_size(block);
  void* moved = __libc_realloc(block, size);
  if (moved == nullptr) return nullptr;  // the old block stays
  heap_calls::NoteRelease(block, old_size);
  return Noted(moved);
}

void free(void* block) {
  NoteRelease(block);
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
  return Noted(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  return Noted(__libc_memalign(alignment, size));
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = Noted(__libc_memalign(alignment, size));
  if (block == nullptr) return ENOMEM;
  *result = block;
  return 0;
}

}  // extern "C"
