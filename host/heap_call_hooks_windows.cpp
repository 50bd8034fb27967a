// Windows: a loaded module's imports of the process heap's functions
// (kernel32) and of the C runtime's (msvcrt, ucrtbase and its forwarders)
// are redirected to counting versions that call the originals, so that
// every heap call the module's own code makes is counted.
#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>

#include "host/dynamic_library.h"
#include "host/heap_calls.h"

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

std::string Lowercase(const char* text) {
  std::string lower;
  for (; *text != '\0'; ++text) {
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
  }
  return lower;
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

void Redirect(void** slot, void* replacement) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return;
  *slot = replacement;
  VirtualProtect(slot, sizeof *slot, protection, &protection);
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
  auto* base = static_cast<unsigned char*>(module.native_handle());
  if (base == nullptr) return;
  FindOriginals();
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto* descriptor =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    const std::string library = Lowercase(reinterpret_cast<const char*>(base + descriptor->Name));
    if (descriptor->OriginalFirstThunk == 0) continue;
    const auto* names =
        reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* function = reinterpret_cast<const char*>(by_name->Name);
      void* replacement = CountingVersionOf(library, function);
      if (replacement == nullptr) continue;
      void** slot = reinterpret_cast<void**>(&slots->u1.Function);
      if (std::strcmp(function, "malloc") == 0) TakeOriginal(original_malloc, *slot);
      if (std::strcmp(function, "calloc") == 0) TakeOriginal(original_calloc, *slot);
      if (std::strcmp(function, "realloc") == 0) TakeOriginal(original_realloc, *slot);
      if (std::strcmp(function, "free") == 0) TakeOriginal(original_free, *slot);
      Redirect(slot, replacement);
    }
    if (library == "msvcrt.dll" || library == "ucrtbase.dll") {
      const HMODULE crt = GetModuleHandleA(library.c_str());
      TakeOriginal(original_msize, reinterpret_cast<void*>(GetProcAddress(crt, "_msize")));
    }
  }
  MarkSupported();
}

}  // namespace heap_calls
