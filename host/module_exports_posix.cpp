// Linux: the defined, visible symbols of the file's dynamic symbol table,
// read from the file (the loader keeps no count of them).
#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "host/bytes_at.h"
#include "host/module_exports.h"

namespace {

bool Exported(const Elf64_Sym& symbol) {
  const unsigned binding = ELF64_ST_BIND(symbol.st_info);
  const unsigned type = ELF64_ST_TYPE(symbol.st_info);
  const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
  return symbol.st_shndx != SHN_UNDEF && symbol.st_name != 0 &&
         (binding == STB_GLOBAL || binding == STB_WEAK || binding == STB_GNU_UNIQUE) &&
         (visibility == STV_DEFAULT || visibility == STV_PROTECTED) && type != STT_SECTION &&
         type != STT_FILE;
}

}  // namespace

ModuleExports ExportsOf(const DynamicLibrary& /*module*/, const std::string& path) {
  ModuleExports exports;
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Elf64_Ehdr header{};
  if (!ReadAt(bytes, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64) {
    exports.problem = "not a 64-bit ELF file";
    return exports;
  }
  for (unsigned index = 0; index < header.e_shnum; ++index) {
    Elf64_Shdr table{};
    Elf64_Shdr strings{};
    if (ReadAt(bytes, header.e_shoff + std::size_t{index} * header.e_shentsize, table) &&
        table.sh_type == SHT_DYNAMIC &&
        ReadAt(bytes, header.e_shoff + std::size_t{table.sh_link} * header.e_shentsize, strings)) {
      // The libraries it needs, by the names it gives them.
      for (std::size_t at = 0; at + sizeof(Elf64_Dyn) <= table.sh_size; at += sizeof(Elf64_Dyn)) {
        Elf64_Dyn entry{};
        if (!ReadAt(bytes, table.sh_offset + at, entry) || entry.d_tag == DT_NULL) break;
        const std::size_t name_at = strings.sh_offset + entry.d_un.d_val;
        if (entry.d_tag == DT_NEEDED && name_at < bytes.size()) {
          exports.imports.emplace_back(bytes.c_str() + name_at);
        }
      }
      continue;
    }
    if (!ReadAt(bytes, header.e_shoff + std::size_t{index} * header.e_shentsize, table) ||
        table.sh_type != SHT_DYNSYM || table.sh_entsize != sizeof(Elf64_Sym) ||
        !ReadAt(bytes, header.e_shoff + std::size_t{table.sh_link} * header.e_shentsize, strings)) {
      continue;
    }
    for (std::size_t at = 0; at + sizeof(Elf64_Sym) <= table.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol{};
      if (!ReadAt(bytes, table.sh_offset + at, symbol) || !Exported(symbol)) continue;
      const std::size_t name_at = strings.sh_offset + symbol.st_name;
      if (name_at >= bytes.size()) continue;
      exports.names.emplace_back(bytes.c_str() + name_at);
    }
    exports.read = true;
  }
  if (!exports.read) exports.problem = "no dynamic symbol table";
  return exports;
}
