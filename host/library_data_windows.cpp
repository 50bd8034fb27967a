// Windows: the writable sections of the runtime libraries, from the
// section headers of each loaded image, read by the system's own copy of
// the process's memory (while the libraries' own threads may write).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/library_data.h"
#include "host/system_function_windows.h"

namespace {

constexpr const wchar_t* kRuntimeLibraries[] = {L"ntdll.dll", L"kernel32.dll", L"kernelbase.dll",
                                                L"msvcrt.dll", L"ucrtbase.dll"};

std::string NarrowName(const wchar_t* text) {
  char narrow[MAX_PATH] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

const IMAGE_NT_HEADERS* HeadersOf(HMODULE module) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

void AddWritableSections(LibraryData& data, HMODULE module, const std::string& library) {
  const IMAGE_NT_HEADERS* headers = HeadersOf(module);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
  const auto base = reinterpret_cast<std::uintptr_t>(module);
  for (WORD index = 0; index < headers->FileHeader.NumberOfSections; ++index, ++section) {
    if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) == 0) continue;
    LibraryDataRegion region{library, base + section->VirtualAddress,
                             std::vector<unsigned char>(section->Misc.VirtualSize)};
    SIZE_T read = 0;
    if (ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(region.start),
                          region.bytes.data(), region.bytes.size(), &read) &&
        read == region.bytes.size()) {
      data.push_back(std::move(region));
    }
  }
}

AddressRange Around(const void* object, std::size_t size) {
  const auto start = reinterpret_cast<std::uintptr_t>(object);
  return {start, start + size};
}

// The C runtime's pointers to the environment, found by its own exports.
template <typename Pointer>
void AddExportedPointer(std::vector<AddressRange>& ranges, const char* name) {
  using Accessor = Pointer* (*)();
  const auto accessor = FromLibrary<Accessor>(L"msvcrt.dll", name);
  if (accessor != nullptr) ranges.push_back(Around(accessor(), sizeof(Pointer)));
}

// The loader's record of the DLLs unloaded lately, a ring it writes one
// entry of at every unload: its own account, as ntdll tells it.
void AddUnloadRecord(std::vector<AddressRange>& ranges) {
  using Tell = void(WINAPI*)(ULONG**, ULONG**, void**);
  const auto tell = FromLibrary<Tell>(L"ntdll.dll", "RtlGetUnloadEventTraceEx");
  if (tell == nullptr) return;
  ULONG* element_size = nullptr;
  ULONG* element_count = nullptr;
  void* record = nullptr;
  tell(&element_size, &element_count, &record);
  if (record == nullptr) return;
  void* entries = nullptr;
  std::memcpy(&entries, record, sizeof entries);
  ranges.push_back(Around(record, sizeof entries));
  if (entries != nullptr && element_size != nullptr && element_count != nullptr) {
    ranges.push_back(Around(entries, std::size_t{*element_size} * *element_count));
  }
}

}  // namespace

LibraryData ReadRuntimeLibraryData() {
  LibraryData data;
  for (const wchar_t* name : kRuntimeLibraries) {
    const HMODULE module = GetModuleHandleW(name);
    if (module != nullptr) AddWritableSections(data, module, NarrowName(name));
  }
  return data;
}

// The standard streams' objects (every write moves their pointers; the
// census says their mode, buffer and flags), the C runtime's pointers to
// the environment (the census says every variable), and the loader's
// record of unloaded DLLs.
std::vector<AddressRange> RangesNotCompared() {
  std::vector<AddressRange> ranges = {Around(stdin, sizeof(FILE)), Around(stdout, sizeof(FILE)),
                                      Around(stderr, sizeof(FILE))};
  AddExportedPointer<char**>(ranges, "__p__environ");
  AddExportedPointer<wchar_t**>(ranges, "__p__wenviron");
  AddUnloadRecord(ranges);
  return ranges;
}

// The export of `library` at `address`, or within the word after it.
std::string LibraryVariableAt(const std::string& library, std::uintptr_t address) {
  const HMODULE module = GetModuleHandleA(library.c_str());
  if (module == nullptr) return "";
  const auto base = reinterpret_cast<std::uintptr_t>(module);
  const IMAGE_DATA_DIRECTORY& directory =
      HeadersOf(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0) return "";
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  for (DWORD index = 0; index < exports->NumberOfNames; ++index) {
    const std::uintptr_t at = base + functions[ordinals[index]];
    if (address >= at && address < at + sizeof(void*)) {
      return reinterpret_cast<const char*>(base + names[index]);
    }
  }
  return "";
}
