// Windows: a module's imports of the functions that reach beyond the process
// (the environment, files by the C runtime's low-level functions as well as
// its streams and the system's, the file system, standard input, the
// network, processes, libraries, the registry, windows) are redirected to versions that note the
// use and call the original, as the heap's are for counting: as soon as the loader has bound them,
// before the module's start-up code runs, and again once it is loaded.
#include <windows.h>

#include <cstdint>
#include <cstdio>
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
#define STUDY_HOOK_IF(name, Return, Parameters, Arguments, noted, capability, what) \
  Return(WINAPI* original_##name) Parameters = nullptr;                             \
  Return WINAPI Noted_##name Parameters {                                           \
    if (noted) NoteFromModuleImport(Capability::capability, what);                  \
    return original_##name Arguments;                                               \
  }
#define STUDY_HOOK(name, Return, Parameters, Arguments, capability, what) \
  STUDY_HOOK_IF(name, Return, Parameters, Arguments, true, capability, what)

// Whether a handle or descriptor is standard input, which a study never
// reads.
bool IsStandardInput(HANDLE handle) {
  return handle != nullptr && handle == GetStdHandle(STD_INPUT_HANDLE);
}
bool IsStandardInput(int descriptor) {
  return descriptor == 0;
}
bool IsStandardInput(FILE* stream) {
  return stream == stdin;
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
// The C runtime's low-level file functions, and the ways to change the
// file system without opening a file.
STUDY_HOOK(_open, int, (const char* f, int o, int m), (f, o, m), kFile, Named(f))
STUDY_HOOK(_wopen, int, (const wchar_t* f, int o, int m), (f, o, m), kFile, Named(f))
STUDY_HOOK(_sopen, int, (const char* f, int o, int s, int m), (f, o, s, m), kFile, Named(f))
STUDY_HOOK(_wsopen, int, (const wchar_t* f, int o, int s, int m), (f, o, s, m), kFile, Named(f))
STUDY_HOOK(_creat, int, (const char* f, int m), (f, m), kFile, Named(f))
STUDY_HOOK(_wcreat, int, (const wchar_t* f, int m), (f, m), kFile, Named(f))
STUDY_HOOK(_mkdir, int, (const char* f), (f), kFileSystem, Named(f))
STUDY_HOOK(_wmkdir, int, (const wchar_t* f), (f), kFileSystem, Named(f))
STUDY_HOOK(remove, int, (const char* f), (f), kFileSystem, Named(f))
STUDY_HOOK(_wremove, int, (const wchar_t* f), (f), kFileSystem, Named(f))
STUDY_HOOK(_unlink, int, (const char* f), (f), kFileSystem, Named(f))
STUDY_HOOK(rename, int, (const char* f, const char* t), (f, t), kFileSystem, Named(f))
STUDY_HOOK(_wrename, int, (const wchar_t* f, const wchar_t* t), (f, t), kFileSystem, Named(f))
STUDY_HOOK(DeleteFileA, BOOL, (LPCSTR f), (f), kFileSystem, Named(f))
STUDY_HOOK(DeleteFileW, BOOL, (LPCWSTR f), (f), kFileSystem, Named(f))
STUDY_HOOK(CreateDirectoryA, BOOL, (LPCSTR f, LPSECURITY_ATTRIBUTES a), (f, a), kFileSystem,
           Named(f))
STUDY_HOOK(CreateDirectoryW, BOOL, (LPCWSTR f, LPSECURITY_ATTRIBUTES a), (f, a), kFileSystem,
           Named(f))
STUDY_HOOK(MoveFileExA, BOOL, (LPCSTR f, LPCSTR t, DWORD o), (f, t, o), kFileSystem, Named(f))
STUDY_HOOK(MoveFileExW, BOOL, (LPCWSTR f, LPCWSTR t, DWORD o), (f, t, o), kFileSystem, Named(f))
STUDY_HOOK(CopyFileA, BOOL, (LPCSTR f, LPCSTR t, BOOL e), (f, t, e), kFileSystem, Named(t))
STUDY_HOOK(CopyFileW, BOOL, (LPCWSTR f, LPCWSTR t, BOOL e), (f, t, e), kFileSystem, Named(t))
// Standard input, by every route: the handle, the descriptor, the stream.
STUDY_HOOK_IF(ReadFile, BOOL, (HANDLE h, LPVOID b, DWORD s, LPDWORD r, LPOVERLAPPED o),
              (h, b, s, r, o), IsStandardInput(h), kInput, "")
STUDY_HOOK_IF(ReadConsoleA, BOOL,
              (HANDLE h, LPVOID b, DWORD s, LPDWORD r, PCONSOLE_READCONSOLE_CONTROL c),
              (h, b, s, r, c), IsStandardInput(h), kInput, "")
STUDY_HOOK_IF(ReadConsoleW, BOOL,
              (HANDLE h, LPVOID b, DWORD s, LPDWORD r, PCONSOLE_READCONSOLE_CONTROL c),
              (h, b, s, r, c), IsStandardInput(h), kInput, "")
STUDY_HOOK_IF(_read, int, (int d, void* b, unsigned s), (d, b, s), IsStandardInput(d), kInput, "")
STUDY_HOOK_IF(fread, std::size_t, (void* b, std::size_t s, std::size_t n, FILE* f), (b, s, n, f),
              IsStandardInput(f), kInput, "")
STUDY_HOOK_IF(fgets, char*, (char* b, int s, FILE* f), (b, s, f), IsStandardInput(f), kInput, "")
STUDY_HOOK_IF(fgetc, int, (FILE * f), (f), IsStandardInput(f), kInput, "")
STUDY_HOOK_IF(getc, int, (FILE * f), (f), IsStandardInput(f), kInput, "")
STUDY_HOOK(getchar, int, (), (), kInput, "")
STUDY_HOOK(_getch, int, (), (), kInput, "")
// Threads: the system's own start, and the C runtime's.
STUDY_HOOK(CreateThread, HANDLE,
           (LPSECURITY_ATTRIBUTES a, SIZE_T s, LPTHREAD_START_ROUTINE f, LPVOID p, DWORD c,
            LPDWORD i),
           (a, s, f, p, c, i), kThread, "")
STUDY_HOOK(_beginthreadex, std::uintptr_t,
           (void* a, unsigned s, unsigned(WINAPI* f)(void*), void* p, unsigned c, unsigned* i),
           (a, s, f, p, c, i), kThread, "")
STUDY_HOOK(_beginthread, std::uintptr_t, (void(__cdecl * f)(void*), unsigned s, void* p), (f, s, p),
           kThread, "")
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
#undef STUDY_HOOK_IF

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
    STUDY_HOOKED(_open),
    STUDY_HOOKED(_wopen),
    STUDY_HOOKED(_sopen),
    STUDY_HOOKED(_wsopen),
    STUDY_HOOKED(_creat),
    STUDY_HOOKED(_wcreat),
    STUDY_HOOKED(_mkdir),
    STUDY_HOOKED(_wmkdir),
    STUDY_HOOKED(remove),
    STUDY_HOOKED(_wremove),
    STUDY_HOOKED(_unlink),
    STUDY_HOOKED(rename),
    STUDY_HOOKED(_wrename),
    STUDY_HOOKED(DeleteFileA),
    STUDY_HOOKED(DeleteFileW),
    STUDY_HOOKED(CreateDirectoryA),
    STUDY_HOOKED(CreateDirectoryW),
    STUDY_HOOKED(MoveFileExA),
    STUDY_HOOKED(MoveFileExW),
    STUDY_HOOKED(CopyFileA),
    STUDY_HOOKED(CopyFileW),
    STUDY_HOOKED(ReadFile),
    STUDY_HOOKED(ReadConsoleA),
    STUDY_HOOKED(ReadConsoleW),
    STUDY_HOOKED(_read),
    STUDY_HOOKED(fread),
    STUDY_HOOKED(fgets),
    STUDY_HOOKED(fgetc),
    STUDY_HOOKED(getc),
    STUDY_HOOKED(getchar),
    STUDY_HOOKED(_getch),
    STUDY_HOOKED(CreateThread),
    STUDY_HOOKED(_beginthreadex),
    STUDY_HOOKED(_beginthread),
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
