// Windows: a loaded module's imports of the process heap's functions
// (kernel32) and of the C runtime's (msvcrt, ucrtbase and its forwarders)
// are redirected to counting versions that call the originals, so that
// every heap call the module's own code makes is counted.
#include <windows.h>

#include <cstring>
#include <string>

#include "host/dynamic_library.h"
#include "host/heap_calls.h"
#include "host/import_redirection_windows.h"

namespace heap_calls {
namespace {

using HeapAllocFunction = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
using HeapFreeFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID);
using HeapReAllocFunction = LPVOID(WINAPI*)(HANDLE, DWORD, LPVOID, SIZE_T);
using MallocFunction = void*(__cdecl*)(size_t);
using CallocFunction = void*(__cdecl*)(size_t, size_t);
using ReallocFunction = void*(__cdecl*)(void*, size_t);
using FreeFunction = void(__cdecl*)(void*);
using MsizeFunction = size_t(__cdecl*)(void*);

HeapAllocFunction original_heap_alloc = nullptr;
HeapFreeFunction original_heap_free = nullptr;
HeapReAllocFunction original_heap_realloc = nullptr;
MallocFunction original_malloc = nullptr;
CallocFunction original_calloc = nullptr;
ReallocFunction original_realloc = nullptr;
FreeFunction original_free = nullptr;
MsizeFunction original_msize = nullptr;

std::size_t HeapBlockSize(HANDLE heap, const void* block) {
  const SIZE_T size = HeapSize(heap, 0, block);
  return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

std::size_t CrtBlockSize(void* block) {
  return original_msize != nullptr && block != nullptr ? original_msize(block) : 0;
}

LPVOID WINAPI CountedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  LPVOID block = original_heap_alloc(heap, flags, size);
  NoteAllocation(block, size);
  return block;
}

BOOL WINAPI CountedHeapFree(HANDLE heap, DWORD flags, LPVOID block) {
  NoteRelease(block, block != nullptr ? HeapBlockSize(heap, block) : 0);
  return original_heap_free(heap, flags, block);
}

LPVOID WINAPI CountedHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T size) {
  const std::size_t old_size = HeapBlockSize(heap, block);
  LPVOID moved = original_heap_realloc(heap, flags, block, size);
  if (moved != nullptr) {
    NoteRelease(block, old_size);
    NoteAllocation(moved, size);
  }
  return moved;
}

void* __cdecl CountedMalloc(size_t size) {
  void* block = original_malloc(size);
  NoteAllocation(block, size);
  return block;
}

void* __cdecl CountedCalloc(size_t count, size_t size) {
  void* block = original_calloc(count, size);
  NoteAllocation(block, count * size);
  return block;
}

void* __cdecl CountedRealloc(void* block, size_t size) {
  const std::size_t old_size = CrtBlockSize(block);
  void* moved = original_realloc(block, size);
  if (moved != nullptr || size == 0) NoteRelease(block, old_size);
  NoteAllocation(moved, size);
  return moved;
}

void __cdecl CountedFree(void* block) {
  NoteRelease(block, CrtBlockSize(block));
  original_free(block);
}

// The counting version of `function` imported from `library`, or null.
void* CountingVersionOf(const std::string& library, const char* function) {
  if (library == "kernel32.dll" || library.rfind("api-ms-win-core-heap", 0) == 0) {
    if (std::strcmp(function, "HeapAlloc") == 0) return reinterpret_cast<void*>(&CountedHeapAlloc);
    if (std::strcmp(function, "HeapFree") == 0) return reinterpret_cast<void*>(&CountedHeapFree);
    if (std::strcmp(function, "HeapReAlloc") == 0) {
      return reinterpret_cast<void*>(&CountedHeapReAlloc);
    }
    return nullptr;
  }
  if (library == "msvcrt.dll" || library == "ucrtbase.dll" ||
      library.rfind("api-ms-win-crt-heap", 0) == 0) {
    if (std::strcmp(function, "malloc") == 0) return reinterpret_cast<void*>(&CountedMalloc);
    if (std::strcmp(function, "calloc") == 0) return reinterpret_cast<void*>(&CountedCalloc);
    if (std::strcmp(function, "realloc") == 0) return reinterpret_cast<void*>(&CountedRealloc);
    if (std::strcmp(function, "free") == 0) return reinterpret_cast<void*>(&CountedFree);
  }
  return nullptr;
}

// The originals, from the process's own C runtime and kernel32: what the
// module's imports resolve to.
void FindOriginals() {
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  original_heap_alloc = reinterpret_cast<HeapAllocFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "HeapAlloc")));
  original_heap_free = reinterpret_cast<HeapFreeFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "HeapFree")));
  original_heap_realloc = reinterpret_cast<HeapReAllocFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "HeapReAlloc")));
}

template <typename Function>
void TakeOriginal(Function& original, void* current) {
  if (original == nullptr) original = reinterpret_cast<Function>(current);
}

}  // namespace

void WatchModule(const DynamicLibrary& module) {
  if (module.native_handle() == nullptr) return;
  FindOriginals();
  RedirectImports(module.native_handle(),
                  [](const std::string& library, const char* function, void* original) -> void* {
                    void* replacement = CountingVersionOf(library, function);
                    if (replacement == nullptr) return nullptr;
                    if (std::strcmp(function, "malloc") == 0)
                      TakeOriginal(original_malloc, original);
                    if (std::strcmp(function, "calloc") == 0)
                      TakeOriginal(original_calloc, original);
                    if (std::strcmp(function, "realloc") == 0) {
                      TakeOriginal(original_realloc, original);
                    }
                    if (std::strcmp(function, "free") == 0) TakeOriginal(original_free, original);
                    if (library == "msvcrt.dll" || library == "ucrtbase.dll") {
                      const HMODULE crt = GetModuleHandleA(library.c_str());
                      TakeOriginal(original_msize,
                                   reinterpret_cast<void*>(GetProcAddress(crt, "_msize")));
                    }
                    return replacement;
                  });
  MarkSupported();
}

}  // namespace heap_calls
