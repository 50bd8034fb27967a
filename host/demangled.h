// A C++ name as a reader writes it.
#pragma once

#include <string>

// `name` demangled ("std::cout" for "_ZSt4cout"); the name itself where it
// is not a mangled one.
std::string Demangled(const char* name);
