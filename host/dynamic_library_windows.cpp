#include <windows.h>

#include "host/dynamic_library.h"

namespace {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* message = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text = length > 0 && message != nullptr ? std::string(message, length) : "";
  if (message != nullptr) LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

}  // namespace

bool DynamicLibrary::Open(const std::string& path, std::string& error) {
  Close();
  // A full path, so the DLL's own imports resolve from its folder first.
  char full_path[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full_path, nullptr);
  const bool resolved = length > 0 && length < MAX_PATH;
  handle_ = resolved ? LoadLibraryExA(full_path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                     : LoadLibraryA(path.c_str());
  if (handle_ == nullptr) {
    error = LastErrorText();
    return false;
  }
  return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool DynamicLibrary::Defines(const void* address) const {
  HMODULE owner = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (handle_ == nullptr || !GetModuleHandleExA(flags, static_cast<const char*>(address), &owner)) {
    return false;
  }
  return owner == static_cast<HMODULE>(handle_);
}

void DynamicLibrary::Close() {
  if (handle_ != nullptr) {
    FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}
