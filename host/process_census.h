// Everything of the process a module could change, leave behind or grow,
// taken whole at the lowest layer the system shows it: descriptors or
// handles, threads and every thread's attributes, loaded libraries and
// mapped files, the environment, the working folder, every locale category,
// signal dispositions and process attributes, timers, per-thread keys and
// slots, the C++ runtime's handlers and standard streams, the calling
// thread's own attributes, and the C standard streams. Each is a fact: a subject and its state in
// words. Two censuses are compared whole, so whatever a module changes is named by what it is,
// whichever route it took; nothing is watched by a list of functions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The kinds of fact, each named in the words a change of it is told with.
enum class CensusKind {
  kDescriptor,       // an open descriptor (Linux) and what it refers to
  kHandles,          // open handles of one type (Windows), counted
  kNamedObject,      // a named kernel object a handle holds (Windows)
  kThread,           // a thread of the process, by its id
  kThreadAttribute,  // an attribute of a thread of the process (its priority, processors)
  kLibrary,          // a loaded library
  kMappedFile,       // a file mapped into memory
  kEnvironment,      // an environment variable
  kWorkingFolder,    // the working folder
  kLocale,           // a locale category of the C library, or the C++ global locale
  kSignal,           // how a signal is handled (the C runtime's handlers on Windows)
  kProcess,          // a process-wide attribute (umask, limits, error mode, DLL folder)
  kTimer,            // an interval timer armed (alarm among them)
  kTimerObject,      // a timer the process holds (a POSIX timer), armed or not
  kPerThreadSlots,   // per-thread keys or TLS slots in use
  kRuntimeHandler,   // a handler the C++ runtime keeps (terminate, new)
  kCallingThread,    // an attribute of the thread that calls the module
  kStandardStream,   // standard input, output or error: buffering, mode, flags
};

struct ProcessCensus {
  // (kind, subject) -> state in words.
  std::map<std::pair<CensusKind, std::string>, std::string> facts;
  // Private memory outside the heaps the process allocates from (Linux:
  // anonymous mappings other than the heap and thread stacks; Windows:
  // committed private memory), in bytes; -1 where it cannot be read.
  std::int64_t private_memory = -1;
  void Add(CensusKind kind, const std::string& subject, const std::string& state) {
    facts[{kind, subject}] = state;
  }
};

// The process as it is now, seen from the calling thread.
ProcessCensus TakeProcessCensus();

// The census's private memory alone (see ProcessCensus::private_memory),
// read without the rest: cheap enough to read between rounds of calls.
std::int64_t PrivateMemoryBytes();

// What a census compares. Against the process before loading, while the
// module is loaded: its image and the libraries it brought are expected,
// and what it may hold until it is unloaded (descriptors and handles,
// per-thread keys and slots, timer objects, a signal's handler). Whole:
// across a call (against the process after loading), and once unloaded,
// nothing may differ.
enum class CensusScope { kModuleLoaded, kWhole };

// Every difference from `before` to `after`, each in words ("left
// descriptor 7 open: a socket", "the calling thread's signal mask changed
// from none blocked to SIGINT blocked").
std::vector<std::string> CensusChanges(const ProcessCensus& before, const ProcessCensus& after,
                                       CensusScope scope);

// Changes in words, the first three joined and the rest counted ("a; b;
// c and 2 more"); "" when there are none.
std::string JoinedChangeWords(const std::vector<std::string>& changes);

// The changes joined into one line ("a; b and 2 more"); "" when none.
std::string CensusChangeWords(const ProcessCensus& before, const ProcessCensus& after,
                              CensusScope scope);

// Whether `address` lies in a module the process still has loaded.
bool AddressInLoadedModule(const void* address);

// Where an address points, for a fact: "in zrPalvessa_64.so's image", "in
// memory no longer mapped", or "in other memory" (the heap, a stack).
std::string WhereAddressPoints(const void* address);

// Per platform (process_census_posix.cpp, process_census_windows.cpp): the
// facts of each kind, added to `census`.
void AddPlatformFacts(ProcessCensus& census);
// Per platform: a standard stream's buffering, buffer and mode, in words.
std::string StandardStreamState(std::FILE* stream);
