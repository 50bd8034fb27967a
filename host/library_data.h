// The runtime libraries' own writable data, taken whole: natively the
// writable segments of the C library, the C++ runtime and their helpers
// (libc.so.6, libstdc++.so.6, libgcc_s.so.1, libm.so.6); on Windows the
// writable sections of ntdll, kernel32, kernelbase and the C runtime. A
// module that sets one of their variables (a heap setting, the C++ streams'
// synchronisation or format, a handler, an exit or fork handler, a search
// flag) changes these bytes whichever function it called, so comparing them
// finds what no list of state kinds names.
//
// The libraries also change their data by themselves (the heap's
// bookkeeping, locks, counters, caches made on first use): what they change
// while only the tool works is learned (LibraryDataNoise), never listed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// One writable segment or section of a library, as it is now.
struct LibraryDataRegion {
  std::string library;  // its file name ("libc.so.6")
  std::uintptr_t start = 0;
  std::vector<unsigned char> bytes;
};
using LibraryData = std::vector<LibraryDataRegion>;

// The runtime libraries' writable data now, but for what is not compared
// (see RangesNotCompared), read as zeros.
LibraryData TakeLibraryData();

// The bytes the libraries change by themselves, learned from snapshots
// taken while only the tool worked; and the differences a module made.
class LibraryDataNoise {
 public:
  // Every byte that differs from `from` to `to` is noise from now on.
  void Learn(const LibraryData& from, const LibraryData& to);
  // How many bytes were learned as noise.
  std::size_t LearnedBytes() const;
  // Each difference from `before` to `after` that is not noise, in words,
  // the variable named where the library's symbols tell it ("libc.so.6's
  // perturb_byte changed (4 bytes at 0x1d6f30)").
  std::vector<std::string> Changes(const LibraryData& before, const LibraryData& after) const;

 private:
  // (library, start) -> one flag a byte.
  std::map<std::pair<std::string, std::uintptr_t>, std::vector<bool>> noisy_;
};

// Per platform: the variable of `library` that holds `address`, by the
// library's symbols (natively its exported ones, and its detached debugging
// symbols where the system has them; on Windows its exports); "" where
// none is known.
std::string LibraryVariableAt(const std::string& library, std::uintptr_t address);

// Per platform: the writable regions of the runtime libraries, with their
// bytes, and the address ranges within them not compared: what the census
// compares in words instead, and what the loader fills as functions are
// first called.
struct AddressRange {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
};
LibraryData ReadRuntimeLibraryData();
std::vector<AddressRange> RangesNotCompared();
