// Fuzzes the session reader with any bytes, arriving a few at a time as
// from a pipe: it reads positions or refuses the file with an error naming a
// line, never crashes, never reads a position that is not a number as one,
// and keeps to its bounded memory whatever the input (libFuzzer's malloc
// limit, set by the script that runs it, fails a larger allocation). The
// same bytes as a --positions list: read or refused.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/replay/session_positions.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "session reader: %s\n", what);
  std::abort();
}

// Reads every position of `bytes`, handed over `chunk` bytes at a time.
void ReadSession(const std::uint8_t* bytes, std::size_t size, std::size_t chunk) {
  std::size_t at = 0;
  SessionReader reader(
      [&](char* buffer, std::size_t wanted) {
        const std::size_t n = std::min({wanted, chunk, size - at});
        std::memcpy(buffer, bytes + at, n);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      "s.csv");
  try {
    while (reader.Next()) {
      if (at > size) Fail("read past the end of its input");
    }
    if (at != size) Fail("ended before its input did, without an error");
  } catch (const ToolError& error) {
    if (error.code() != kExitSessionFile) Fail("refused with another exit code");
    if (std::strncmp(error.what(), "s.csv", 5) != 0) Fail("an error that names no file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 16;
  ReadSession(data + 1, size - 1, chunk == 16 ? 65536 : chunk);
  try {
    for (const double position : ParsePositionList(std::string(data + 1, data + size))) {
      static_cast<void>(std::isnan(position));
    }
  } catch (const ToolError& error) {
    if (error.code() != kExitUsage) Fail("a list refused with another exit code");
  }
  return 0;
}
