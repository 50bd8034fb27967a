// A fixed-size field of a file's bytes, read where it lies: the headers of
// module files put fields at any offset, so each is copied out (never read
// in place), and one that would run past the bytes is refused.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// Copies the `sizeof value` bytes at `offset` into `value`; false, leaving
// `value` as it was, where they would run past the end of `bytes`.
template <typename Value>
bool ReadAt(std::string_view bytes, std::uint64_t offset, Value& value) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof value) return false;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return true;
}
