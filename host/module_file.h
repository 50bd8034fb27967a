// What a module file is, told from its headers before it is loaded, so
// that a file the loader cannot take is refused in words: damaged or
// incomplete, built for another processor, the other platform's kind of
// module, or not a module at all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What is wrong with a module file whose first bytes are `start` and whose
// size is `size`, for a host on this platform; "" when it looks loadable.
// `start` holds the file's first bytes (64 KB is plenty).
std::string ModuleFileProblem(std::string_view start, std::uint64_t size);

// The same for the file at `path` (UTF-8); "" also when it cannot be read
// (the loader then says why).
std::string ModuleFileProblemAt(const std::string& path);
