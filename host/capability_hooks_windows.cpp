// Windows: a module's imports of the functions that reach beyond the process
// (the environment, files, the network, processes, libraries, the registry,
// windows) are redirected to versions that note the use and call the
// original, as the heap's are for counting: as soon as the loader has bound
// them, before the module's start-up code runs, and again once it is loaded.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/capability_calls.h"
#include "host/dynamic_library.h"
#include "host/import_redirection_windows.h"
#include "host/load_notification_windows.h"

namespace capability_calls {
namespace {

// A wide name as the notes keep it (its ASCII letters; others as '?').
struct Narrow {
  explicit Narrow(const wchar_t* wide) {
    std::size_t at = 0;
    for (; wide != nullptr && wide[at] != L'\0' && at + 1 < sizeof text; ++at) {
      text[at] = wide[at] < 128 ? static_cast<char>(wide[at]) : '?';
    }
    text[at] = '\0';
  }
  char text[128];
};

const char* Named(const char* text) {
  return text;
}
const char* Named(const wchar_t* text) {
  thread_local Narrow kept(nullptr);
  kept = Narrow(text);
  return kept.text;
}

// Each replacement: notes the use of `capability` (named by the argument
// `named`, or by `what`), then calls the original it replaced.
#define STUDY_HOOK(name, Return, Parameters, Arguments, capability, what) \
  Return(WINAPI* original_##name) Parameters = nullptr;                   \
  Return WINAPI Noted_##name Parameters {                                 \
    Note(Capability::capability, what);                                   \
    return original_##name Arguments;                                     \
  }

STUDY_HOOK(GetEnvironmentVariableA, DWORD, (LPCSTR n, LPSTR v, DWORD s), (n, v, s), kEnvironment,
           Named(n))
STUDY_HOOK(GetEnvironmentVariableW, DWORD, (LPCWSTR n, LPWSTR v, DWORD s), (n, v, s), kEnvironment,
           Named(n))
STUDY_HOOK(getenv, char*, (const char* n), (n), kEnvironment, Named(n))
STUDY_HOOK(_wgetenv, wchar_t*, (const wchar_t* n), (n), kEnvironment, Named(n))
STUDY_HOOK(CreateFileA, HANDLE,
           (LPCSTR f, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES t, DWORD c, DWORD l, HANDLE h),
           (f, a, s, t, c, l, h), kFile, Named(f))
STUDY_HOOK(CreateFileW, HANDLE,
           (LPCWSTR f, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES t, DWORD c, DWORD l, HANDLE h),
           (f, a, s, t, c, l, h), kFile, Named(f))
STUDY_HOOK(fopen, FILE*, (const char* f, const char* m), (f, m), kFile, Named(f))
STUDY_HOOK(_wfopen, FILE*, (const wchar_t* f, const wchar_t* m), (f, m), kFile, Named(f))
STUDY_HOOK(socket, std::uintptr_t, (int d, int t, int p), (d, t, p), kNetwork, "opened a socket")
STUDY_HOOK(connect, int, (std::uintptr_t s, const void* a, int l), (s, a, l), kNetwork,
           "connected a socket")
STUDY_HOOK(CreateProcessA, BOOL,
           (LPCSTR a, LPSTR c, LPSECURITY_ATTRIBUTES p, LPSECURITY_ATTRIBUTES t, BOOL i, DWORD f,
            LPVOID e, LPCSTR d, LPSTARTUPINFOA s, LPPROCESS_INFORMATION o),
           (a, c, p, t, i, f, e, d, s, o), kProcess, Named(a != nullptr ? a : c))
STUDY_HOOK(CreateProcessW, BOOL,
           (LPCWSTR a, LPWSTR c, LPSECURITY_ATTRIBUTES p, LPSECURITY_ATTRIBUTES t, BOOL i, DWORD f,
            LPVOID e, LPCWSTR d, LPSTARTUPINFOW s, LPPROCESS_INFORMATION o),
           (a, c, p, t, i, f, e, d, s, o), kProcess, Named(a != nullptr ? a : c))
STUDY_HOOK(system, int, (const char* c), (c), kProcess, Named(c))
// A library load, nested in the tool's own load of the module when the
// module's start-up code makes it, so that it is told from that one.
#define STUDY_LIBRARY_HOOK(name, Parameters, Arguments)  \
  HMODULE(WINAPI* original_##name) Parameters = nullptr; \
  HMODULE WINAPI Noted_##name Parameters {               \
    const LibraryLoadScope loading;                      \
    Note(Capability::kLibrary, Named(f));                \
    return original_##name Arguments;                    \
  }
STUDY_LIBRARY_HOOK(LoadLibraryA, (LPCSTR f), (f))
STUDY_LIBRARY_HOOK(LoadLibraryW, (LPCWSTR f), (f))
STUDY_LIBRARY_HOOK(LoadLibraryExA, (LPCSTR f, HANDLE h, DWORD l), (f, h, l))
STUDY_LIBRARY_HOOK(LoadLibraryExW, (LPCWSTR f, HANDLE h, DWORD l), (f, h, l))
#undef STUDY_LIBRARY_HOOK
STUDY_HOOK(RegOpenKeyExA, LONG, (HKEY k, LPCSTR s, DWORD o, REGSAM r, PHKEY p), (k, s, o, r, p),
           kRegistry, Named(s))
STUDY_HOOK(RegOpenKeyExW, LONG, (HKEY k, LPCWSTR s, DWORD o, REGSAM r, PHKEY p), (k, s, o, r, p),
           kRegistry, Named(s))
STUDY_HOOK(CreateWindowExA, HWND,
           (DWORD x, LPCSTR c, LPCSTR n, DWORD s, int l, int t, int w, int h, HWND p, HMENU m,
            HINSTANCE i, LPVOID v),
           (x, c, n, s, l, t, w, h, p, m, i, v), kWindow, Named(n))
STUDY_HOOK(CreateWindowExW, HWND,
           (DWORD x, LPCWSTR c, LPCWSTR n, DWORD s, int l, int t, int w, int h, HWND p, HMENU m,
            HINSTANCE i, LPVOID v),
           (x, c, n, s, l, t, w, h, p, m, i, v), kWindow, Named(n))

#undef STUDY_HOOK

struct Hook {
  const char* function;
  void* replacement;
  void** original;
};

#define STUDY_HOOKED(name)                                                                        \
  Hook {                                                                                          \
#name, reinterpret_cast < void*>(&Noted_##name), reinterpret_cast < void**>(&original_##name) \
  }

const Hook kHooks[] = {
    STUDY_HOOKED(GetEnvironmentVariableA),
    STUDY_HOOKED(GetEnvironmentVariableW),
    STUDY_HOOKED(getenv),
    STUDY_HOOKED(_wgetenv),
    STUDY_HOOKED(CreateFileA),
    STUDY_HOOKED(CreateFileW),
    STUDY_HOOKED(fopen),
    STUDY_HOOKED(_wfopen),
    STUDY_HOOKED(socket),
    STUDY_HOOKED(connect),
    STUDY_HOOKED(CreateProcessA),
    STUDY_HOOKED(CreateProcessW),
    STUDY_HOOKED(system),
    STUDY_HOOKED(LoadLibraryA),
    STUDY_HOOKED(LoadLibraryW),
    STUDY_HOOKED(LoadLibraryExA),
    STUDY_HOOKED(LoadLibraryExW),
    STUDY_HOOKED(RegOpenKeyExA),
    STUDY_HOOKED(RegOpenKeyExW),
    STUDY_HOOKED(CreateWindowExA),
    STUDY_HOOKED(CreateWindowExW),
};

#undef STUDY_HOOKED

// The replacement for the function named `function`, now at `original`, or
// null when none is watched by that name.
void* ReplacementFor(const char* function, void* original) {
  for (const Hook& hook : kHooks) {
    if (std::strcmp(function, hook.function) != 0) continue;
    if (*hook.original == nullptr) *hook.original = original;
    return hook.replacement;
  }
  return nullptr;
}

// A function the module finds by name at run time is watched as an
// imported one is.
FARPROC(WINAPI* original_GetProcAddress)(HMODULE, LPCSTR) = nullptr;
FARPROC WINAPI Found_GetProcAddress(HMODULE library, LPCSTR name) {
  const FARPROC found = original_GetProcAddress(library, name);
  if (found == nullptr || IS_INTRESOURCE(name)) return found;  // by ordinal: not watched
  void* replacement = ReplacementFor(name, reinterpret_cast<void*>(found));
  return replacement != nullptr ? reinterpret_cast<FARPROC>(replacement) : found;
}

void RedirectModuleImports(void* base) {
  RedirectImports(
      base, [](const std::string& /*library*/, const char* function, void* original) -> void* {
        if (std::strcmp(function, "GetProcAddress") == 0) {
          if (original_GetProcAddress == nullptr) {
            original_GetProcAddress = reinterpret_cast<decltype(original_GetProcAddress)>(original);
          }
          return reinterpret_cast<void*>(&Found_GetProcAddress);
        }
        return ReplacementFor(function, original);
      });
}

}  // namespace

void WatchLoadOf(const std::string& path) {
  OnNextLoadOf(path, &RedirectModuleImports);
}

void WatchModule(const DynamicLibrary& module) {
  ForgetNextLoad();
  if (module.native_handle() == nullptr) return;
  RedirectModuleImports(module.native_handle());
  MarkSupported();
}

}  // namespace capability_calls
