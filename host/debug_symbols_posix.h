// Names of a library's variables, where the library itself exports none:
// the system's detached debugging symbols (Debian's libc6-dbg and the
// like, /usr/lib/debug/.build-id/), found by the build id the loaded
// library carries. Linux only.
#pragma once

#include <cstdint>
#include <string>

// The variable (a data object of the library's symbol table) that holds
// `address`, demangled; "" where the loaded library that holds it has no
// detached debugging symbols on this system, or no object holds it.
std::string DebugVariableAt(std::uintptr_t address);
