// What an imported DLL's name says it is, where a trader's machine may lack
// it: the compiler's own runtime (MinGW's), a debug C runtime, or the Visual
// C++ redistributable. Told from the lowercase name alone.
#pragma once

#include <string_view>

enum class RuntimeLibraryKind {
  kOther,            // none of these: a system library, or one of the module's own
  kCompilerRuntime,  // libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll, ...
  kDebugRuntime,     // msvcr120d.dll, vcruntime140d.dll, ucrtbased.dll, ...
  kRedistributable,  // msvcp140.dll, msvcp140_atomic_wait.dll, vcruntime140_1.dll, ...
};

// The kind of the DLL named `lowercase_name` (lowercase, with its .dll).
RuntimeLibraryKind ClassifyRuntimeLibrary(std::string_view lowercase_name);
