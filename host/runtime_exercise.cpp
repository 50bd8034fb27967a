#include "host/runtime_exercise.h"

#if defined(__GLIBC__)
#include <cxxabi.h>
#include <malloc.h>
#endif

#include <cstdlib>
#include <vector>

namespace {

// Sizes of every small class, then larger ones a quarter apart up to
// blocks the allocator maps on their own, and one larger than any it keeps
// on its heaps once it has moved its own threshold as far as it goes.
std::vector<std::size_t> BlockSizes() {
  std::vector<std::size_t> sizes;
  for (std::size_t size = 8; size < 1024; size += 16) sizes.push_back(size);
  for (std::size_t size = 1024; size <= (std::size_t{1} << 20); size += size / 4) {
    sizes.push_back(size);
  }
  sizes.push_back(std::size_t{33} << 20);
  return sizes;
}

// Blocks of one size, each taken between guards of the same size, so that
// none merges with its neighbour when freed.
struct SizeClass {
  std::vector<void*> blocks;
  std::vector<void*> guards;
};

// Small blocks: more than a thread's own cache of a size holds, so that
// some reach the allocator's shared lists; larger ones, which no thread
// caches: two.
int BlocksOf(std::size_t size) {
  return size < 1032 ? 9 : size <= (std::size_t{1} << 20) ? 2 : 1;
}

void FreeAll(std::vector<void*>& blocks) {
  for (void* block : blocks) std::free(block);
  blocks.clear();
}

}  // namespace

#if defined(__GLIBC__)
// The C library's own registration of a library's fork handlers, which it
// finalises by the library's handle as it unloads (as the C++ ABI's exit
// handlers, <cxxabi.h>).
extern "C" int __register_atfork(void (*prepare)(), void (*parent)(), void (*child)(),
                                 void* library);

namespace {

void NoExitWork(void* /*argument*/) {}
void NoForkWork() {}

// Handlers registered as a library with many static objects registers them
// (more than the C library keeps in its first block), then finalised as
// it unloads.
void RegisterAndFinaliseLibraryHandlers() {
  static char pretend_library;  // its handle: any address of its own
  constexpr int kHandlers = 40;
  for (int handler = 0; handler < kHandlers; ++handler) {
    abi::__cxa_atexit(&NoExitWork, nullptr, &pretend_library);
  }
  __register_atfork(&NoForkWork, &NoForkWork, &NoForkWork, &pretend_library);
  abi::__cxa_finalize(&pretend_library);
}

}  // namespace
#else
namespace {
void RegisterAndFinaliseLibraryHandlers() {}
}  // namespace
#endif

void ExerciseRuntimeBookkeeping(const std::function<void()>& between) {
  RegisterAndFinaliseLibraryHandlers();
  between();
  std::vector<SizeClass> classes;
  for (const std::size_t size : BlockSizes()) {
    SizeClass& taken = classes.emplace_back();
    for (int index = 0; index < BlocksOf(size); ++index) {
      taken.guards.push_back(std::malloc(size));
      taken.blocks.push_back(std::malloc(size));
    }
    taken.guards.push_back(std::malloc(size));
  }
  between();
  for (SizeClass& taken : classes) FreeAll(taken.blocks);
  // A request no free block meets sorts the freed ones into their classes.
  std::free(std::malloc(std::size_t{3} << 20));
  between();
  for (SizeClass& taken : classes) FreeAll(taken.guards);
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
  between();
}
