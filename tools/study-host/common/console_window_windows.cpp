#include "tools/study-host/common/console_window.h"

#include <windows.h>

#include <cstdio>

void HoldConsoleOfItsOwn(const std::string& message) {
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;  // a command window's, shared
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return;  // redirected
  std::fputs(message.c_str(), stdout);
  std::fflush(stdout);
  FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (ReadConsoleInputW(input, &record, 1, &read)) {
    if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}
