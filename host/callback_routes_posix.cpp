// Linux: the routes a process calls back by.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <string>

#include "host/callback_routes.h"
#include "host/process_census.h"

namespace {

using callback_routes::LiveOnForTimers;
using callback_routes::NoLongerMapped;
using callback_routes::RuntimeHandlers;
using callback_routes::StartAndEndThread;

std::string RaiseAndHandleException() {
  try {
    throw std::runtime_error("the host's own exception");
  } catch (const std::exception&) {
  }
  return "";
}

std::string SignalName(int signal_number) {
  const char* name = sigabbrev_np(signal_number);
  return (name != nullptr ? "SIG" + std::string(name) : "signal") + " (signal " +
         std::to_string(signal_number) + ")";
}

// Each signal with a handler that is not the program's own: one found in
// memory no longer mapped is named; the others are delivered.
std::string DeliverSignalsWithHandlers() {
  for (int signal_number = 1; signal_number < SIGRTMIN; ++signal_number) {
    if (signal_number == SIGKILL || signal_number == SIGSTOP) continue;
    struct sigaction action {};
    if (sigaction(signal_number, nullptr, &action) != 0) continue;
    if (action.sa_handler == SIG_DFL || action.sa_handler == SIG_IGN) continue;
    const void* handler = (action.sa_flags & SA_SIGINFO) != 0
                              ? reinterpret_cast<const void*>(action.sa_sigaction)
                              : reinterpret_cast<const void*>(action.sa_handler);
    const std::string where = WhereAddressPoints(handler);
    if (where == "in the program's own image") continue;
    if (NoLongerMapped(where)) {
      return SignalName(signal_number) + " has a handler " + where +
             ": the signal's next delivery crashes the host";
    }
    raise(signal_number);
  }
  return "";
}

// A fork runs the handlers registered for it, before and after, in the
// parent and in the child, which ends at once.
std::string Fork() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  if (child < 0) return "";
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    return "the child of a fork crashed (signal " + std::to_string(WTERMSIG(status)) +
           ") as it started: a handler left for a fork (pthread_atfork) runs there";
  }
  return "";
}

constexpr CallbackRoute kRoutes[] = {
    {"the C++ runtime's terminate and new handlers", &RuntimeHandlers},
    {"raising and handling an exception", &RaiseAndHandleException},
    {"delivering each signal that has a handler", &DeliverSignalsWithHandlers},
    {"starting and ending a thread (its start and end callbacks run)", &StartAndEndThread},
    {"a fork (the handlers registered for it run)", &Fork},
    {"the time just after (timers and alarms due then go off)", &LiveOnForTimers},
};

}  // namespace

std::span<const CallbackRoute> CallbackRoutes() {
  return kRoutes;
}

void PrepareCallbackRoutes() {}
