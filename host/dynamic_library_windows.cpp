#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdint>
#include <string>

#include "host/capability_calls.h"
#include "host/dynamic_library.h"
#include "host/former_images.h"
#include "host/wide_path_windows.h"

namespace {

// The loader's common failures in words: the system's own messages hold
// placeholders ("%1") meant to be filled with a name.
const char* LoadFailureInWords(DWORD code) {
  switch (code) {
    case ERROR_BAD_EXE_FORMAT:
      return "not a 64-bit Windows DLL";
    case ERROR_MOD_NOT_FOUND:
      return "the DLL or a DLL it needs was not found";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "no such file";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_DLL_INIT_FAILED:
      return "the DLL's own start-up code failed";
    case ERROR_PROC_NOT_FOUND:
      return "a function the DLL needs is missing from another DLL";
    default:
      return nullptr;
  }
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  if (const char* words = LoadFailureInWords(code)) {
    return std::string(words) + " (error " + std::to_string(code) + ")";
  }
  char* message = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text = length > 0 && message != nullptr ? std::string(message, length) : "";
  if (message != nullptr) LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  for (auto at = text.find("%1"); at != std::string::npos; at = text.find("%1")) {
    text.replace(at, 2, "the file");
  }
  return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

}  // namespace

bool DynamicLibrary::Open(const std::string& path, std::string& error) {
  Close();
  // A full path, so the DLL's own imports resolve from its folder first;
  // a name without an ending is taken as it is, not with ".dll" added (a
  // trailing dot says so, added after GetFullPathNameW, which drops it).
  const std::wstring wide = WidePath(path);
  std::wstring full_path(32768, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), 32768, full_path.data(), nullptr);
  const bool resolved = length > 0 && length < 32768;
  full_path.resize(resolved ? length : 0);
  const std::size_t name = full_path.find_last_of(L"\\/");
  if (resolved &&
      full_path.find(L'.', name == std::wstring::npos ? 0 : name + 1) == std::wstring::npos) {
    full_path += L'.';
  }
  {
    // As natively, where the tool's own load passes the library-load
    // replacement: a load the module's start-up code makes is nested in it.
    const capability_calls::LibraryLoadScope loading;
    handle_ = resolved ? LoadLibraryExW(full_path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                       : LoadLibraryW(wide.c_str());
  }
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

namespace {

// Notes where the DLL lies before it goes.
void NoteImageOf(HMODULE module) {
  MODULEINFO image{};
  wchar_t path[MAX_PATH] = {};
  if (!GetModuleInformation(GetCurrentProcess(), module, &image, sizeof image) ||
      GetModuleFileNameW(module, path, MAX_PATH) == 0) {
    return;
  }
  const std::wstring file = path;
  const std::wstring name = file.substr(file.find_last_of(L"\\/") + 1);
  char utf8[MAX_PATH * 3] = {};
  WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
  const auto start = reinterpret_cast<std::uintptr_t>(image.lpBaseOfDll);
  NoteFormerImage(utf8, start, start + image.SizeOfImage);
}

}  // namespace

void DynamicLibrary::Close() {
  if (handle_ != nullptr) {
    NoteImageOf(static_cast<HMODULE>(handle_));
    FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}
