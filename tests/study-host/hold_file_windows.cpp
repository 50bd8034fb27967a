// Holds a file open as a spreadsheet does, sharing it with no other
// program, until its standard input ends: what study-host meets when a
// trader's spreadsheet still has the session or the chart open.
// Usage: hold_file.exe PATH
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::printf("holding\n");
  std::fflush(stdout);
  char ignored[64];
  while (std::fgets(ignored, sizeof ignored, stdin) != nullptr) {
  }
  CloseHandle(file);
  return 0;
}
