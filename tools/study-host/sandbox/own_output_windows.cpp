#include <windows.h>

#include <cstdio>

#include "tools/study-host/sandbox/own_output.h"

std::uint64_t OwnOutputBytes() {
  std::fflush(stdout);
  std::fflush(stderr);
  LARGE_INTEGER size{};
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (GetFileType(output) != FILE_TYPE_DISK || !GetFileSizeEx(output, &size)) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::string OwnOutputAt(std::uint64_t offset, std::size_t most) {
  std::string bytes(most, '\0');
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(most), &got,
                &at)) {
    got = 0;
  }
  bytes.resize(got);
  return bytes;
}
