#include "host/import_redirection_windows.h"

#include <windows.h>

#include "host/lowercase.h"

namespace {

const IMAGE_IMPORT_DESCRIPTOR* FirstImport(unsigned char* base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
}

void Redirect(void** slot, void* replacement) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return;
  *slot = replacement;
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

}  // namespace

void RedirectImports(void* module_base, const ImportReplacement& replacement) {
  auto* base = static_cast<unsigned char*>(module_base);
  if (base == nullptr) return;
  for (const auto* descriptor = FirstImport(base); descriptor != nullptr && descriptor->Name != 0;
       ++descriptor) {
    if (descriptor->OriginalFirstThunk == 0) continue;
    const std::string library = Lowercase(reinterpret_cast<const char*>(base + descriptor->Name));
    const auto* names =
        reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void** slot = reinterpret_cast<void**>(&slots->u1.Function);
      void* replaced = replacement(library, reinterpret_cast<const char*>(by_name->Name), *slot);
      if (replaced != nullptr) Redirect(slot, replaced);
    }
  }
}

std::vector<std::string> ImportedLibraries(void* module_base) {
  auto* base = static_cast<unsigned char*>(module_base);
  std::vector<std::string> libraries;
  if (base == nullptr) return libraries;
  for (const auto* descriptor = FirstImport(base); descriptor != nullptr && descriptor->Name != 0;
       ++descriptor) {
    libraries.emplace_back(reinterpret_cast<const char*>(base + descriptor->Name));
  }
  return libraries;
}
