// The routes every platform has: the C++ runtime's handlers, a thread's
// start and end, and the time just after.
#include <chrono>
#include <exception>
#include <new>
#include <thread>

#include "host/callback_routes.h"
#include "host/process_census.h"
#include "host/thread_census.h"

namespace callback_routes {
namespace {

// How long the process lives on for timers and alarms due soon after.
constexpr std::chrono::milliseconds kTimeAfter{100};

}  // namespace

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

std::string StartAndEndThread() {
  const int before = ThreadsInProcess();
  std::thread([] {}).join();
  AwaitJoinedThreadsGone(before);
  return "";
}

std::string LiveOnForTimers() {
  std::this_thread::sleep_for(kTimeAfter);
  return "";
}

}  // namespace callback_routes
