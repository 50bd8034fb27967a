#include "host/module_deployment.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/bytes_at.h"

#if defined(_WIN32)
#include <windows.h>

#include "host/lowercase.h"
#include "host/runtime_library_names.h"
#include "host/wide_path_windows.h"
#endif

namespace {

std::string TextAt(const std::string& bytes, std::uint64_t offset) {
  if (offset >= bytes.size()) return "";
  const std::size_t end = bytes.find('\0', offset);
  return bytes.substr(offset, (end == std::string::npos ? bytes.size() : end) - offset);
}

// "a, b and c".
[[maybe_unused]] std::string Listed(const std::vector<std::string>& items) {
  std::string listed;
  for (std::size_t index = 0; index < items.size(); ++index) {
    listed += (index == 0 ? "" : index + 1 == items.size() ? " and " : ", ") + items[index];
  }
  return listed;
}

// A Windows DLL's imported libraries and its DllCharacteristics.
struct PeFacts {
  std::vector<std::string> imports;
  std::uint16_t dll_characteristics = 0;
};

[[maybe_unused]] bool ReadPe(const std::string& bytes, PeFacts& facts) {
  std::uint32_t header = 0;
  std::uint16_t sections = 0, optional_size = 0, magic = 0;
  if (!ReadAt(bytes, 0x3C, header) || !ReadAt(bytes, header + 6, sections) ||
      !ReadAt(bytes, header + 20, optional_size)) {
    return false;
  }
  const std::uint64_t optional = std::uint64_t{header} + 24;
  if (!ReadAt(bytes, optional, magic) || magic != 0x20B) return false;  // PE32+ only
  ReadAt(bytes, optional + 70, facts.dll_characteristics);
  std::uint32_t import_rva = 0;
  ReadAt(bytes, optional + 112 + 8, import_rva);  // data directory 1: the import table
  const std::uint64_t table = optional + optional_size;
  const auto to_offset = [&](std::uint32_t rva, std::uint64_t& offset) {
    for (std::uint16_t index = 0; index < sections; ++index) {
      std::uint32_t virtual_size = 0, virtual_address = 0, raw_size = 0, raw_offset = 0;
      const std::uint64_t at = table + std::uint64_t{index} * 40;
      ReadAt(bytes, at + 8, virtual_size);
      ReadAt(bytes, at + 12, virtual_address);
      ReadAt(bytes, at + 16, raw_size);
      ReadAt(bytes, at + 20, raw_offset);
      if (rva >= virtual_address && rva < virtual_address + std::max(virtual_size, raw_size)) {
        offset = std::uint64_t{raw_offset} + (rva - virtual_address);
        return true;
      }
    }
    return false;
  };
  std::uint64_t descriptor = 0;
  if (import_rva == 0 || !to_offset(import_rva, descriptor)) return true;
  constexpr int kMostImports = 256;
  for (int index = 0; index < kMostImports; ++index, descriptor += 20) {
    std::uint32_t name_rva = 0, first_thunk = 0;
    if (!ReadAt(bytes, descriptor + 12, name_rva) || !ReadAt(bytes, descriptor + 16, first_thunk)) {
      break;
    }
    if (name_rva == 0 && first_thunk == 0) break;
    std::uint64_t name = 0;
    if (to_offset(name_rva, name)) facts.imports.push_back(TextAt(bytes, name));
  }
  return true;
}

// A Linux library's needed libraries, and whether it asks for an
// executable stack.
struct ElfFacts {
  std::vector<std::string> needed;
  bool executable_stack = true;  // as the loader takes a library without a stack header
};

[[maybe_unused]] bool ReadElf(const std::string& bytes, ElfFacts& facts) {
  std::uint64_t headers = 0;
  std::uint16_t entry_size = 0, entries = 0;
  if (bytes.size() < 64 || bytes[4] != 2 || !ReadAt(bytes, 32, headers) ||
      !ReadAt(bytes, 54, entry_size) || !ReadAt(bytes, 56, entries)) {
    return false;
  }
  struct Segment {
    std::uint64_t offset, address, size;
  };
  std::vector<Segment> loaded;
  std::uint64_t dynamic = 0, dynamic_size = 0;
  for (std::uint16_t index = 0; index < entries; ++index) {
    const std::uint64_t at = headers + std::uint64_t{index} * entry_size;
    std::uint32_t kind = 0, flags = 0;
    std::uint64_t offset = 0, address = 0, size = 0;
    ReadAt(bytes, at, kind);
    ReadAt(bytes, at + 4, flags);
    ReadAt(bytes, at + 8, offset);
    ReadAt(bytes, at + 16, address);
    ReadAt(bytes, at + 32, size);
    if (kind == 1) loaded.push_back({offset, address, size});
    if (kind == 2) {
      dynamic = offset;
      dynamic_size = size;
    }
    if (kind == 0x6474E551) facts.executable_stack = (flags & 1) != 0;  // PT_GNU_STACK, PF_X
  }
  std::uint64_t strings = 0;
  std::vector<std::uint64_t> needed;
  for (std::uint64_t at = dynamic; at + 16 <= dynamic + dynamic_size; at += 16) {
    std::int64_t tag = 0;
    std::uint64_t value = 0;
    if (!ReadAt(bytes, at, tag) || !ReadAt(bytes, at + 8, value) || tag == 0) break;
    if (tag == 1) needed.push_back(value);
    if (tag == 5) strings = value;  // an address: found in its loaded segment
  }
  for (const Segment& segment : loaded) {
    if (strings < segment.address || strings >= segment.address + segment.size) continue;
    const std::uint64_t table = segment.offset + (strings - segment.address);
    for (const std::uint64_t name : needed) facts.needed.push_back(TextAt(bytes, table + name));
  }
  return true;
}

#if defined(_WIN32)
bool InSystemFolder(const std::string& name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring path = std::wstring(folder) + L"\\" + WidePath(name);
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What a DLL's import is, where a trader's machine may lack it.
void JudgeImport(const std::string& name, DeploymentJudgment& judgment) {
  const std::string lowered = Lowercase(name);
  if (lowered.rfind("api-ms-win-", 0) == 0 || lowered.rfind("ext-ms-", 0) == 0) return;
  const RuntimeLibraryKind kind = ClassifyRuntimeLibrary(lowered);
  if (kind == RuntimeLibraryKind::kCompilerRuntime) {
    judgment.failures.push_back(name +
                                ", the compiler's own runtime, which no Windows has (link it "
                                "into the DLL: -static)");
  } else if (kind == RuntimeLibraryKind::kDebugRuntime) {
    judgment.failures.push_back(name +
                                ", a debug C runtime, which only a developer's machine has "
                                "(build the release configuration)");
  } else if (kind == RuntimeLibraryKind::kRedistributable) {
    judgment.warnings.push_back("imports " + name +
                                " of the Visual C++ redistributable, which a trader's machine "
                                "may lack (link the runtime in, or ship its installer)");
  } else if (!InSystemFolder(name)) {
    judgment.failures.push_back(name + ", which is not part of Windows");
  }
}

void JudgeBuild(std::uint16_t characteristics, DeploymentJudgment& judgment) {
  struct Protection {
    std::uint16_t flag;
    const char* name;
    const char* option;
  };
  constexpr Protection kProtections[] = {
      {0x0040, "ASLR", "--dynamicbase"},
      {0x0100, "DEP", "--nxcompat"},
      {0x0020, "high-entropy addresses", "--high-entropy-va"},
  };
  std::vector<std::string> missing;
  std::vector<std::string> options;
  for (const Protection& protection : kProtections) {
    if ((characteristics & protection.flag) != 0) continue;
    missing.emplace_back(protection.name);
    options.emplace_back(protection.option);
  }
  if (missing.empty()) return;
  judgment.warnings.push_back("is built without " + Listed(missing) +
                              ", which Windows gives every module built with them (link with " +
                              Listed(options) + ")");
}
#else
bool InSystemFolder(const std::string& name) {
  for (const char* folder : {"/lib/x86_64-linux-gnu/", "/usr/lib/x86_64-linux-gnu/", "/lib64/",
                             "/usr/lib64/", "/lib/", "/usr/lib/"}) {
    std::error_code error;
    if (std::filesystem::exists(std::string(folder) + name, error)) return true;
  }
  return false;
}
#endif

}  // namespace

DeploymentJudgment JudgeDeployment(const std::string& path) {
  DeploymentJudgment judgment;
  const std::u8string utf8(path.begin(), path.end());
  std::ifstream file(std::filesystem::path(utf8), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
#if defined(_WIN32)
  PeFacts facts;
  if (bytes.rfind("MZ", 0) != 0 || !ReadPe(bytes, facts)) return judgment;
  judgment.read = true;
  judgment.imports = facts.imports;
  for (const std::string& name : facts.imports) JudgeImport(name, judgment);
  JudgeBuild(facts.dll_characteristics, judgment);
#else
  ElfFacts facts;
  if (bytes.rfind("\x7f"
                  "ELF",
                  0) != 0 ||
      !ReadElf(bytes, facts)) {
    return judgment;
  }
  judgment.read = true;
  judgment.imports = facts.needed;
  for (const std::string& name : facts.needed) {
    if (!InSystemFolder(name)) {
      judgment.failures.push_back(name + ", which is not a system library");
    }
  }
  if (facts.executable_stack) {
    judgment.warnings.push_back(
        "asks for a stack that may be executed, which the loader then gives the whole host "
        "(link with -z noexecstack)");
  }
#endif
  return judgment;
}
