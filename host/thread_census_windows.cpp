// Windows: the process's threads in a system snapshot.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "host/thread_census.h"

int ThreadsInProcess() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  const DWORD process = GetCurrentProcessId();
  int threads = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) ++threads;
  }
  CloseHandle(snapshot);
  return threads;
}
