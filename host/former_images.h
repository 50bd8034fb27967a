// Where the libraries this process unloaded lay: an address there is named
// as the unloaded library's former image (a handler, a callback, a crash's
// code), whether the memory is unmapped now or reused.
#pragma once

#include <cstdint>
#include <string>

// Notes that the library `name` (a file name) lies at [start, end) and is
// about to be unloaded. Keeps the latest few.
void NoteFormerImage(const std::string& name, std::uintptr_t start, std::uintptr_t end);

// "the unloaded zrPalvessa_64.so's former image" when `address` lies where
// a library unloaded earlier lay; "" otherwise.
std::string FormerImageAt(const void* address);
