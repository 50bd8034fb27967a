// Windows: a function of a system library already loaded in the process
// (ntdll, the C runtime), found by name; null where the library or the
// function is missing. Never loads a library: a census must not change what
// it counts.
#pragma once

#include <windows.h>

template <typename Function>
Function FromLibrary(const wchar_t* library, const char* name) {
  const HMODULE module = GetModuleHandleW(library);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
