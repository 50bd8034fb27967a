// Counting the heap calls a module makes, call by call: every allocation
// and release it makes while one of its calls runs, apart from what the
// host's own services do meanwhile, and with the releases of owned host
// text it is asked to make counted as expected. Natively the program itself
// replaces the C heap's functions and reports each call here; on Windows
// the module's imports of the process heap's and the C runtime's functions
// are redirected here once it is loaded.
#pragma once

#include <cstddef>
#include <cstdint>

class DynamicLibrary;

namespace heap_calls {

struct Counts {
  std::int64_t allocations = 0;        // blocks obtained (a reallocation counts once)
  std::int64_t releases = 0;           // blocks given back, other than those expected
  std::int64_t expected_releases = 0;  // owned host text given back, as asked
  std::int64_t bytes_allocated = 0;
  std::int64_t bytes_released = 0;

  std::int64_t heap_calls() const { return allocations + releases; }
};

// Whether this program counts heap calls: it does where its heap functions
// report here (not under AddressSanitizer, which replaces them).
bool Supported();

// Makes `module`'s heap calls report here (Windows); elsewhere every heap
// call of the process already does.
void WatchModule(const DynamicLibrary& module);

// Counts the heap calls made while it lives: those of the module's call it
// surrounds, not those of the host's services (see HostServiceScope).
class ModuleCallScope {
 public:
  ModuleCallScope();
  ~ModuleCallScope();
  ModuleCallScope(const ModuleCallScope&) = delete;
  ModuleCallScope& operator=(const ModuleCallScope&) = delete;
  Counts counts() const;
};

// Around a host service: its heap calls are the host's.
class HostServiceScope {
 public:
  HostServiceScope();
  ~HostServiceScope();
  HostServiceScope(const HostServiceScope&) = delete;
  HostServiceScope& operator=(const HostServiceScope&) = delete;
};

// A block of owned text the host hands over: its release is expected.
void ExpectRelease(const void* block);

// Every heap call of the process, whoever makes it, since the program
// started: blocks and bytes in use by that count.
struct ProcessTally {
  std::int64_t blocks = 0;
  std::int64_t bytes = 0;
};
ProcessTally TallyOfProcess();

// Called by the heap functions' replacements for every call.
void NoteAllocation(const void* block, std::size_t bytes) noexcept;
void NoteRelease(const void* block, std::size_t bytes) noexcept;
void MarkSupported() noexcept;

}  // namespace heap_calls
