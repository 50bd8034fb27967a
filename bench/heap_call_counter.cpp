#include "heap_call_counter.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<std::uint64_t> heap_calls{0};
}  // namespace

std::uint64_t HeapCallsSoFar() {
  return heap_calls.load(std::memory_order_relaxed);
}

extern "C" {

void* malloc(std::size_t size) {
  heap_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  heap_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  heap_calls.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}

void free(void* block) {
  if (block == nullptr) return;
  heap_calls.fetch_add(1, std::memory_order_relaxed);
  __libc_free(block);
}

}  // extern "C"
