// A session file's bytes as UTF-8, whichever encoding its byte-order mark
// declares: spreadsheets and editors save UTF-8 with or without a mark, and
// "Unicode" text as UTF-16 with one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads up to `size` bytes into `buffer`: how many, 0 at the end, negative on
// a read error. May block until at least one byte is there.
using ByteSource = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

// Reads a source as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16 LE or
// BE behind its mark is converted; without a mark the bytes pass unchanged.
// The mark may arrive split across reads, as from a pipe. A broken UTF-16
// sequence becomes U+FFFD, which no position field accepts.
class Utf8Reader {
 public:
  explicit Utf8Reader(ByteSource source) : source_(std::move(source)) {}

  // The ByteSource shape: up to `size` bytes, 0 at the end, negative on error.
  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  enum class Encoding { kUnknown, kUtf8, kUtf16LittleEndian, kUtf16BigEndian };

  bool ReadRaw();  // appends to raw_; false at the end
  bool Detect();   // settles encoding_ from raw_'s start; false when it needs more
  void DecodeUtf16(bool at_end);
  std::ptrdiff_t Hand(std::string& from, char* buffer, std::size_t size);

  ByteSource source_;
  Encoding encoding_ = Encoding::kUnknown;
  std::string raw_;      // bytes read and not yet handed on or converted
  std::string decoded_;  // converted bytes not yet handed on
  bool at_end_ = false;
  bool failed_ = false;
};
