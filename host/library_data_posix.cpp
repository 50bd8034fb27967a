// Linux: the writable segments of the runtime libraries, less the part the
// loader makes read-only after relocation, read through /proc/self/mem (a
// system call copies them, while the library's own threads may write).
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "host/debug_symbols_posix.h"
#include "host/demangled.h"
#include "host/library_data.h"

extern char** environ;

namespace {

constexpr const char* kRuntimeLibraries[] = {"libc.so.6", "libstdc++.so.6", "libgcc_s.so.1",
                                             "libm.so.6"};

std::string LibraryFileName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

bool IsRuntimeLibrary(const std::string& name) {
  for (const char* library : kRuntimeLibraries) {
    if (name == library) return true;
  }
  return false;
}

struct Reading {
  int memory = -1;
  LibraryData data;
};

void AddRegion(Reading& reading, const std::string& library, std::uintptr_t start,
               std::uintptr_t end) {
  if (end <= start) return;
  LibraryDataRegion region{library, start, std::vector<unsigned char>(end - start)};
  const ssize_t read =
      pread(reading.memory, region.bytes.data(), region.bytes.size(), static_cast<off_t>(start));
  if (read == static_cast<ssize_t>(region.bytes.size())) reading.data.push_back(std::move(region));
}

// The table the loader fills as each imported function is first called
// (lazy binding): a first call, the module's or the tool's, is no state of
// the library's. From the library's dynamic section.
AddressRange LazyBindingTable(const dl_phdr_info& info) {
  std::uintptr_t table = 0;
  std::uintptr_t relocations = 0;
  for (int index = 0; index < info.dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info.dlpi_phdr[index];
    if (segment.p_type != PT_DYNAMIC) continue;
    for (const auto* entry = reinterpret_cast<const ElfW(Dyn)*>(info.dlpi_addr + segment.p_vaddr);
         entry->d_tag != DT_NULL; ++entry) {
      if (entry->d_tag == DT_PLTGOT) table = entry->d_un.d_ptr;
      if (entry->d_tag == DT_PLTRELSZ) relocations = entry->d_un.d_val / sizeof(ElfW(Rela));
    }
  }
  if (table == 0) return {};
  if (table < info.dlpi_addr) table += info.dlpi_addr;  // where the loader left it unrelocated
  constexpr std::uintptr_t kReservedEntries = 3;
  return {table, table + (kReservedEntries + relocations) * sizeof(void*)};
}

int ReadLibrary(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  if (info->dlpi_name == nullptr) return 0;
  const std::string library = LibraryFileName(info->dlpi_name);
  if (!IsRuntimeLibrary(library)) return 0;

  std::uintptr_t relro_start = 0;
  std::uintptr_t relro_end = 0;
  for (int index = 0; index < info->dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[index];
    if (segment.p_type != PT_GNU_RELRO) continue;
    relro_start = info->dlpi_addr + segment.p_vaddr;
    relro_end = relro_start + segment.p_memsz;
  }
  for (int index = 0; index < info->dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[index];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) == 0) continue;
    std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    const std::uintptr_t end = start + segment.p_memsz;
    if (relro_end > start && relro_start <= start) start = relro_end;  // read-only once relocated
    AddRegion(*static_cast<Reading*>(data), library, start, end);
  }
  return 0;
}

AddressRange Around(const void* object, std::size_t size) {
  const auto start = reinterpret_cast<std::uintptr_t>(object);
  return {start, start + size};
}

int AddLazyBindingTable(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  if (info->dlpi_name != nullptr && IsRuntimeLibrary(LibraryFileName(info->dlpi_name))) {
    static_cast<std::vector<AddressRange>*>(data)->push_back(LazyBindingTable(*info));
  }
  return 0;
}

}  // namespace

LibraryData ReadRuntimeLibraryData() {
  Reading reading;
  reading.memory = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (reading.memory < 0) return {};
  dl_iterate_phdr(&ReadLibrary, &reading);
  close(reading.memory);
  return std::move(reading.data);
}

// The standard streams' objects (every write moves their pointers; the
// census says their buffering, buffer and orientation), the environment's
// pointer (the census says every variable), and the lazy binding tables.
std::vector<AddressRange> RangesNotCompared() {
  // A stream is followed by the pointer to its function table.
  const std::size_t stream = sizeof(FILE) + sizeof(void*);
  std::vector<AddressRange> ranges = {Around(stdin, stream), Around(stdout, stream),
                                      Around(stderr, stream), Around(&environ, sizeof environ)};
  dl_iterate_phdr(&AddLazyBindingTable, &ranges);
  return ranges;
}

std::string LibraryVariableAt(const std::string& /*library*/, std::uintptr_t address) {
  Dl_info found{};
  void* entry = nullptr;
  if (dladdr1(reinterpret_cast<const void*>(address), &found, &entry, RTLD_DL_SYMENT) != 0 &&
      entry != nullptr && found.dli_sname != nullptr && found.dli_saddr != nullptr) {
    const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
    const auto start = reinterpret_cast<std::uintptr_t>(found.dli_saddr);
    if (address >= start && address < start + symbol->st_size) return Demangled(found.dli_sname);
  }
  return DebugVariableAt(address);
}
