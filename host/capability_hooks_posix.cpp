// Natively the program's own replacements of the C library's functions
// note every use (see capability_interposer_posix.cpp): nothing to
// redirect in a module.
#include "host/capability_calls.h"

namespace capability_calls {

void WatchLoadOf(const std::string& /*path*/) {}

void WatchModule(const DynamicLibrary& /*module*/) {}

}  // namespace capability_calls
