// What a module does beyond its calls to the host: reading the environment,
// opening files, using the network, starting processes, loading libraries.
// The study does none of these. While module code runs (its load, a call,
// its unload) every use is noted here by the replacements of the functions
// that do them: natively the program replaces the C library's own (see
// capability_interposer_posix.cpp); on Windows a module's imports of them
// are redirected as the loader binds them, before its start-up code runs.
#pragma once

#include <string>
#include <vector>

class DynamicLibrary;

namespace capability_calls {

enum class Capability { kEnvironment, kFile, kNetwork, kProcess, kLibrary, kRegistry, kWindow };

// Whether this program notes uses (the replacements are linked in, or the
// module's imports redirected).
bool Supported();
void MarkSupported() noexcept;

// Before the module at `path` is loaded: its uses note here from the start
// of its load (Windows: its imports are redirected when the loader has bound
// them, before its start-up code runs); elsewhere the program's own
// replacements already do.
void WatchLoadOf(const std::string& path);

// Once `module` is loaded: its uses note here from now on, even where its
// load could not be watched.
void WatchModule(const DynamicLibrary& module);

// What module code is doing on this thread while the scope lives: being
// loaded (the loader's own call is the tool's), called, or unloaded.
enum class ModuleCode { kLoad, kCall, kUnload };
class ModuleCodeScope {
 public:
  explicit ModuleCodeScope(ModuleCode code);
  ~ModuleCodeScope();
  ModuleCodeScope(const ModuleCodeScope&) = delete;
  ModuleCodeScope& operator=(const ModuleCodeScope&) = delete;

 private:
  ModuleCode previous_;
  bool was_running_;
};

// Around a replacement's loading of a library, so that a load nested in it
// (a module's start-up code loading one) is told from the tool's own load
// of the module.
class LibraryLoadScope {
 public:
  LibraryLoadScope();
  ~LibraryLoadScope();
  LibraryLoadScope(const LibraryLoadScope&) = delete;
  LibraryLoadScope& operator=(const LibraryLoadScope&) = delete;
};

// Called by a replacement before it does `capability`'s work (`what`: a
// variable's or file's name, a library, a program). Notes it when module
// code runs on this thread (not the tool's own load of the module). Never
// throws, and uses no heap.
void Note(Capability capability, const char* what) noexcept;

// The uses noted since the last call, in words ("read the environment
// variable 'ZR_QTY'"), at most one per capability, and forgets them.
std::vector<std::string> TakeUses();

}  // namespace capability_calls
