// Windows: the export directory of the loaded image: its own name, the
// exported names, and exports by number only.
#include <windows.h>

#include "host/dynamic_library.h"
#include "host/import_redirection_windows.h"
#include "host/module_exports.h"

ModuleExports ExportsOf(const DynamicLibrary& module, const std::string& /*path*/) {
  ModuleExports exports;
  const auto* base = static_cast<const unsigned char*>(module.native_handle());
  if (base == nullptr) {
    exports.problem = "the module is not loaded";
    return exports;
  }
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  exports.read = true;
  exports.imports = ImportedLibraries(module.native_handle());
  if (entry.VirtualAddress == 0) return exports;
  const auto* directory =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  if (directory->Name != 0) {
    exports.directory_name = reinterpret_cast<const char*>(base + directory->Name);
  }
  const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
  for (DWORD index = 0; index < directory->NumberOfNames; ++index) {
    exports.names.emplace_back(reinterpret_cast<const char*>(base + names[index]));
  }
  // Slots of the address table no name points at (empty slots aside).
  const auto* addresses = reinterpret_cast<const DWORD*>(base + directory->AddressOfFunctions);
  int used = 0;
  for (DWORD index = 0; index < directory->NumberOfFunctions; ++index) {
    if (addresses[index] != 0) ++used;
  }
  exports.unnamed = used - static_cast<int>(directory->NumberOfNames);
  return exports;
}
