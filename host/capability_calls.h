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

enum class Capability {
  kEnvironment,  // read the environment
  kFile,         // opened a file
  kNetwork,      // made or used a socket
  kProcess,      // started a process
  kLibrary,      // loaded a library
  kRegistry,     // opened a registry key (Windows)
  kWindow,       // made a window (Windows)
  kFileSystem,   // made, removed, renamed or cut a file or folder
  kThread,       // started a thread
  kInput,        // read its standard input
};

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

// Called by a replacement that only the module's own imports reach
// (Windows): notes the use when module code runs on this thread, or the
// thread is not one of the host's (the module started it). Never throws,
// and uses no heap.
void NoteFromModuleImport(Capability capability, const char* what) noexcept;

// A thread of the host's: its module code is told from its own by the
// scopes above. A thread that never registered is one the module started.
// Registered until the thread ends.
void RegisterHostThread();

// Called for a use the kernel saw (see system_call_watch.h) on thread
// `thread` (its id): noted when module code runs there, or the thread is
// not the host's; `path`, when it is a file's, is the loader's own while
// the tool loads the module. Never throws, uses no heap, takes no lock.
void NoteSeenByKernel(int thread, Capability capability, const char* what,
                      bool loader_may) noexcept;

// The uses noted since the last call, in words ("read the environment
// variable 'ZR_QTY'"), at most one per capability, and forgets them.
std::vector<std::string> TakeUses();

}  // namespace capability_calls
