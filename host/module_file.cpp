#include "host/module_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "host/bytes_at.h"

namespace {

constexpr std::size_t kHeadRead = 1 << 16;
constexpr char kDamaged[] =
    "is damaged or incomplete: its headers describe more than the file holds (download it "
    "again; the zip's SHA256SUMS.txt tells a whole file)";

std::string Processor(const char* name) {
  return std::string("is built for ") + name + ", not for this computer's x86-64 processor";
}

// A Linux shared library: 64-bit, x86-64, a shared object, whole (Linux
// only: a Windows host refuses any such file).
[[maybe_unused]] std::string ElfProblem(std::string_view start, std::uint64_t size) {
  if (start.size() < 64 || start[4] != 2) return Processor("32-bit processors");
  std::uint16_t type = 0, machine = 0, entry_size = 0, entries = 0;
  std::uint64_t headers = 0;  // the program headers' offset
  ReadAt(start, 16, type);
  ReadAt(start, 18, machine);
  ReadAt(start, 32, headers);
  ReadAt(start, 54, entry_size);
  ReadAt(start, 56, entries);
  switch (machine) {
    case 62:
      break;
    case 183:
      return Processor("ARM 64-bit processors (aarch64)");
    case 40:
      return Processor("ARM 32-bit processors");
    case 3:
      return Processor("32-bit x86 processors");
    default:
      return Processor(("processor type " + std::to_string(machine)).c_str());
  }
  if (type != 3) return "is a program, not a module (a shared library)";
  // Each loadable segment must lie within the file.
  for (std::uint16_t index = 0; index < entries; ++index) {
    std::uint32_t kind = 0;
    std::uint64_t offset = 0, file_size = 0;
    const std::uint64_t at = headers + std::uint64_t{index} * entry_size;
    if (!ReadAt(start, at, kind) || !ReadAt(start, at + 8, offset) ||
        !ReadAt(start, at + 32, file_size)) {
      return at + entry_size > size ? kDamaged : "";
    }
    if (kind == 1 && offset + file_size > size) return kDamaged;
  }
  return "";
}

// A Windows DLL: 64-bit x86-64, a DLL, whole (Windows only).
[[maybe_unused]] std::string PeProblem(std::string_view start, std::uint64_t size) {
  std::uint32_t header = 0, signature = 0;
  std::uint16_t machine = 0, sections = 0, optional_size = 0, characteristics = 0;
  if (!ReadAt(start, 0x3C, header) || !ReadAt(start, header, signature) ||
      signature != 0x00004550) {
    return "is an old DOS or 16-bit program, not a module";
  }
  ReadAt(start, header + 4, machine);
  ReadAt(start, header + 6, sections);
  ReadAt(start, header + 20, optional_size);
  ReadAt(start, header + 22, characteristics);
  switch (machine) {
    case 0x8664:
      break;
    case 0x14C:
      return Processor("32-bit Windows (x86)");
    case 0xAA64:
      return Processor("ARM 64-bit Windows");
    default:
      return Processor(("processor type " + std::to_string(machine)).c_str());
  }
  if ((characteristics & 0x2000) == 0) return "is a Windows program, not a DLL";
  const std::uint64_t table = std::uint64_t{header} + 24 + optional_size;
  for (std::uint16_t index = 0; index < sections; ++index) {
    std::uint32_t raw_size = 0, raw_offset = 0;
    const std::uint64_t at = table + std::uint64_t{index} * 40;
    if (!ReadAt(start, at + 16, raw_size) || !ReadAt(start, at + 20, raw_offset)) {
      return at + 40 > size ? kDamaged : "";
    }
    if (std::uint64_t{raw_offset} + raw_size > size) return kDamaged;
  }
  return "";
}

}  // namespace

std::string ModuleFileProblem(std::string_view start, std::uint64_t size) {
  const bool elf = start.substr(0, 4) == std::string_view(
                                             "\x7f"
                                             "ELF",
                                             4);
  const bool pe = start.substr(0, 2) == "MZ";
#if defined(_WIN32)
  if (elf)
    return "is a Linux library, not a Windows DLL (the study for Windows is zrPalvessa_64.dll)";
  if (pe) return PeProblem(start, size);
#else
  if (pe) return "is a Windows DLL, not a Linux library (the study for Linux is zrPalvessa_64.so)";
  if (elf) return ElfProblem(start, size);
#endif
  if (size == 0) return "is empty: download it again";
  return "is not a module: neither a Windows DLL nor a Linux library";
}

std::string ModuleFileProblemAt(const std::string& path) {
  const std::u8string utf8(path.begin(), path.end());
  std::ifstream file(std::filesystem::path(utf8), std::ios::binary);
  if (!file) return "";
  std::string start(kHeadRead, '\0');
  file.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(file.gcount()));
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(utf8), error);
  if (error) return "";
  return ModuleFileProblem(start, size);
}
