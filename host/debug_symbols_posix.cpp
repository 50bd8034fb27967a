// Linux: a loaded library's build id, from its note segment, names the file
// of its detached debugging symbols; that file's symbol table names the
// library's variables, static ones included.
#include "host/debug_symbols_posix.h"
#include "host/demangled.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct DebugObject {
  std::uintptr_t start = 0;  // offset from the library's load address
  std::uintptr_t size = 0;
  std::string name;
};

// A loaded library: its load address and the file of its debugging symbols.
struct LoadedLibrary {
  std::uintptr_t base = 0;
  std::string debug_file;
};

std::string BuildIdPath(const unsigned char* id, std::size_t length) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string path = "/usr/lib/debug/.build-id/";
  for (std::size_t index = 0; index < length; ++index) {
    path += kHex[id[index] >> 4];
    path += kHex[id[index] & 0xF];
    if (index == 0) path += '/';
  }
  return path + ".debug";
}

// The build id among a note segment's notes, as its debug file's path.
std::string DebugFileOfNotes(const unsigned char* notes, std::size_t size) {
  std::size_t at = 0;
  while (at + sizeof(ElfW(Nhdr)) <= size) {
    ElfW(Nhdr) header;
    std::memcpy(&header, notes + at, sizeof header);
    const std::size_t name_at = at + sizeof header;
    const std::size_t description_at = name_at + ((header.n_namesz + 3) & ~3u);
    const std::size_t next = description_at + ((header.n_descsz + 3) & ~3u);
    if (next > size) break;
    if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 &&
        std::memcmp(notes + name_at, "GNU", 4) == 0 && header.n_descsz > 1) {
      return BuildIdPath(notes + description_at, header.n_descsz);
    }
    at = next;
  }
  return "";
}

struct LibrarySearch {
  std::uintptr_t address;
  LoadedLibrary found;
};

int FindLibrary(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<LibrarySearch*>(data);
  bool holds = false;
  for (int index = 0; index < info->dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[index];
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (segment.p_type == PT_LOAD && search->address >= start &&
        search->address < start + segment.p_memsz) {
      holds = true;
    }
  }
  if (!holds) return 0;
  search->found.base = info->dlpi_addr;
  for (int index = 0; index < info->dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[index];
    if (segment.p_type != PT_NOTE) continue;
    search->found.debug_file = DebugFileOfNotes(
        reinterpret_cast<const unsigned char*>(info->dlpi_addr + segment.p_vaddr), segment.p_memsz);
    if (!search->found.debug_file.empty()) break;
  }
  return 1;
}

bool ReadFileAt(int file, void* into, std::size_t size, off_t at) {
  return pread(file, into, size, at) == static_cast<ssize_t>(size);
}

// The data objects of an ELF file's symbol table, sorted by address.
std::vector<DebugObject> ReadDataObjects(const std::string& path) {
  std::vector<DebugObject> objects;
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return objects;
  ElfW(Ehdr) header{};
  std::vector<ElfW(Shdr)> sections;
  if (ReadFileAt(file, &header, sizeof header, 0) && header.e_shentsize == sizeof(ElfW(Shdr))) {
    sections.resize(header.e_shnum);
    if (!ReadFileAt(file, sections.data(), sections.size() * sizeof(ElfW(Shdr)),
                    static_cast<off_t>(header.e_shoff))) {
      sections.clear();
    }
  }
  for (const ElfW(Shdr) & table : sections) {
    if (table.sh_type != SHT_SYMTAB || table.sh_link >= sections.size()) continue;
    const ElfW(Shdr)& names = sections[table.sh_link];
    std::vector<ElfW(Sym)> symbols(table.sh_size / sizeof(ElfW(Sym)));
    std::vector<char> text(names.sh_size + 1, '\0');
    if (!ReadFileAt(file, symbols.data(), symbols.size() * sizeof(ElfW(Sym)),
                    static_cast<off_t>(table.sh_offset)) ||
        !ReadFileAt(file, text.data(), names.sh_size, static_cast<off_t>(names.sh_offset))) {
      continue;
    }
    for (const ElfW(Sym) & symbol : symbols) {
      if (ELF64_ST_TYPE(symbol.st_info) != STT_OBJECT || symbol.st_size == 0 ||
          symbol.st_name >= names.sh_size) {
        continue;
      }
      objects.push_back({symbol.st_value, symbol.st_size, Demangled(&text[symbol.st_name])});
    }
  }
  close(file);
  std::sort(objects.begin(), objects.end(),
            [](const DebugObject& a, const DebugObject& b) { return a.start < b.start; });
  return objects;
}

// Each debug file's objects, read once.
const std::vector<DebugObject>& ObjectsOf(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::vector<DebugObject>> read;
  const std::lock_guard<std::mutex> lock(mutex);
  const auto found = read.find(path);
  if (found != read.end()) return found->second;
  return read.emplace(path, ReadDataObjects(path)).first->second;
}

}  // namespace

std::string DebugVariableAt(std::uintptr_t address) {
  LibrarySearch search{address, {}};
  if (dl_iterate_phdr(&FindLibrary, &search) == 0 || search.found.debug_file.empty()) return "";
  const std::vector<DebugObject>& objects = ObjectsOf(search.found.debug_file);
  const std::uintptr_t offset = address - search.found.base;
  auto after = std::upper_bound(
      objects.begin(), objects.end(), offset,
      [](std::uintptr_t value, const DebugObject& object) { return value < object.start; });
  while (after != objects.begin()) {
    --after;
    if (offset < after->start + after->size) return after->name;
    if (after->start + (std::uintptr_t{1} << 16) < offset) break;  // no object spans that far
  }
  return "";
}
