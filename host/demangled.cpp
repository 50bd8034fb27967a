#include "host/demangled.h"

#include <cxxabi.h>

#include <cstdlib>

std::string Demangled(const char* name) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (demangled == nullptr) return name;
  std::string readable = demangled;
  std::free(demangled);
  return readable;
}
