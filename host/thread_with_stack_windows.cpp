#include <windows.h>

#include "host/thread_with_stack.h"

namespace {

DWORD WINAPI RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

}  // namespace

bool RunOnThreadWithStack(std::size_t stack_bytes, const std::function<void()>& work) {
  const HANDLE thread =
      CreateThread(nullptr, stack_bytes, &RunWork, const_cast<std::function<void()>*>(&work),
                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}
