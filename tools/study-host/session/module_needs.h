// What a module file needs that a host's machine lacks (a compiler's
// runtime DLL, a library of its own), in words, so that a module the loader
// refuses is explained the same way by every command.
#pragma once

#include <string>

// "it needs libstdc++-6.dll (the C++ runtime of the compiler that built
// it)..." for the module file at `path`; "" when it needs nothing beyond the
// system's own libraries.
std::string NeedsBeyondTheSystem(const std::string& path);
