// Windows: the routes a process calls back by.
#include <windows.h>

#include <csignal>
#include <iterator>
#include <string>

#include "host/callback_routes.h"
#include "host/process_census.h"

namespace {

using callback_routes::LiveOnForTimers;
using callback_routes::NoLongerMapped;
using callback_routes::RuntimeHandlers;
using callback_routes::StartAndEndThread;

constexpr DWORD kMostWaitMilliseconds = 5000;
constexpr DWORD kHostsOwnException = 0xE0486F73;  // an application's own code ("Hos")

// The host's own handler of its own exception, added last: every vectored
// handler added before it (a module's among them) sees the exception first.
LONG WINAPI HandleHostsOwnException(EXCEPTION_POINTERS* exception) {
  return exception->ExceptionRecord->ExceptionCode == kHostsOwnException
             ? EXCEPTION_CONTINUE_EXECUTION
             : EXCEPTION_CONTINUE_SEARCH;
}

std::string RaiseAndHandleException() {
  void* handler = AddVectoredExceptionHandler(0, &HandleHostsOwnException);
  RaiseException(kHostsOwnException, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  try {
    throw std::runtime_error("the host's own exception");
  } catch (const std::exception&) {
  }
  return "";
}

// The C runtime's handlers, which its raise and the system's faults run.
std::string CRuntimeSignalHandlers() {
  for (const int signal_number : {SIGINT, SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT}) {
    const auto handler = std::signal(signal_number, SIG_DFL);
    std::signal(signal_number, handler);
    if (handler == SIG_DFL || handler == SIG_IGN || handler == SIG_ERR) continue;
    const std::string where = WhereAddressPoints(reinterpret_cast<const void*>(handler));
    if (NoLongerMapped(where)) {
      return "the C runtime's handler of signal " + std::to_string(signal_number) + " lies " +
             where + ": the signal's next raise crashes the host";
    }
  }
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  const std::string where = WhereAddressPoints(reinterpret_cast<const void*>(filter));
  if (filter != nullptr && NoLongerMapped(where)) {
    return "the unhandled-exception filter lies " + where + ": the host's next crash runs it";
  }
  return "";
}

// An alertable wait runs the calls queued to the thread (APCs).
std::string WaitAlertably() {
  SleepEx(0, TRUE);
  return "";
}

// Set by the host's console handler when it saw its event.
HANDLE console_event_seen = nullptr;

BOOL WINAPI HandleHostsConsoleEvent(DWORD event) {
  if (event != CTRL_BREAK_EVENT) return FALSE;
  if (console_event_seen != nullptr) SetEvent(console_event_seen);
  return TRUE;
}

// A console control event runs every console handler, the latest first,
// each on a thread of the system's; the host's own, added before any
// module was loaded, handles it last.
std::string ConsoleControlEvent() {
  if (console_event_seen == nullptr) return "";
  ResetEvent(console_event_seen);
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, GetCurrentProcessId())) return "";  // no console
  WaitForSingleObject(console_event_seen, kMostWaitMilliseconds);
  return "";
}

constexpr CallbackRoute kRoutes[] = {
    {"the C++ runtime's terminate and new handlers", &RuntimeHandlers},
    {"the C runtime's signal handlers and the unhandled-exception filter", &CRuntimeSignalHandlers},
    {"raising and handling an exception (every vectored handler sees it)",
     &RaiseAndHandleException},
    {"an alertable wait of the thread that called it (calls queued to the thread run)",
     &WaitAlertably},
    {"starting and ending a thread (its start and end callbacks run)", &StartAndEndThread},
    {"a console control event (every console handler runs)", &ConsoleControlEvent},
    {"the time just after (the timer and wait queues run what is due then)", &LiveOnForTimers},
};

}  // namespace

std::span<const CallbackRoute> CallbackRoutes() {
  return kRoutes;
}

void PrepareCallbackRoutes() {
  if (console_event_seen != nullptr) return;
  console_event_seen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(&HandleHostsConsoleEvent, TRUE);
}
