// In a child: what has been written on its standard output and error (one
// file the tool reads afterwards, see RunChildProcess), so a check can tell
// what the module wrote while its calls ran.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Bytes written so far, the C library's buffers flushed first; 0 when the
// output is not such a file.
std::uint64_t OwnOutputBytes();

// Up to `most` bytes of it from `offset`.
std::string OwnOutputAt(std::uint64_t offset, std::size_t most);
