// Windows: placeholder until the Windows port.
#include "host/library_data.h"

LibraryData ReadRuntimeLibraryData() {
  return {};
}
std::vector<AddressRange> RangesNotCompared() {
  return {};
}
std::string LibraryVariableAt(const std::string&, std::uintptr_t) {
  return "";
}
