// Linux: the routes a process calls back by.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "host/callback_routes.h"
#include "host/process_census.h"
#include "host/thread_census.h"

namespace {

// How long the process lives on for timers and alarms due soon after.
constexpr std::chrono::milliseconds kTimeAfter{100};

bool NoLongerMapped(const std::string& where) {
  return where.rfind("in memory no longer mapped", 0) == 0;
}

std::string RuntimeHandlers() {
  const struct {
    const void* handler;
    const char* name;
    const char* runs_when;
  } handlers[] = {{reinterpret_cast<const void*>(std::get_terminate()),
                   "the C++ terminate handler (std::set_terminate)",
                   "the host's next exception that nothing catches runs it"},
                  {reinterpret_cast<const void*>(std::get_new_handler()),
                   "the C++ new handler (std::set_new_handler)",
                   "the host's next allocation that finds no memory runs it"}};
  for (const auto& handler : handlers) {
    if (handler.handler == nullptr) continue;
    const std::string where = WhereAddressPoints(handler.handler);
    if (NoLongerMapped(where))
      return std::string(handler.name) + " lies " + where + ": " + handler.runs_when;
  }
  return "";
}

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

std::string StartAndEndThread() {
  const int before = ThreadsInProcess();
  std::thread([] {}).join();
  AwaitJoinedThreadsGone(before);
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

std::string LiveOnForTimers() {
  std::this_thread::sleep_for(kTimeAfter);
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
