// The routes by which a process calls code later, on its own schedule
// rather than the caller's: a handler for an exception or a signal, a
// callback for a thread's start or end or for a fork, the C++ runtime's
// handlers, a wait that runs queued calls, timers; on Windows also the
// console's control handlers and the timer and wait queues. The process's
// end (its exit handlers) and the end of a thread that called a module are
// routes every check's child takes anyway (see validate_command.cpp).
//
// Each route is exercised after a module is unloaded: one that reaches the
// module's former image (or memory it freed) crashes there, the crash
// placed by the route; where a route's handler can be read, one found
// pointing there is named without a crash.
#pragma once

#include <span>
#include <string>

struct CallbackRoute {
  const char* name;  // what is done, in words: "raising and handling an exception"
  // "" when the route ran through; else what it found, in words ("the C++
  // terminate handler lies in memory no longer mapped ...").
  std::string (*exercise)();
};

// Every route this system has, in the order they are exercised.
std::span<const CallbackRoute> CallbackRoutes();

// Per platform, before a module is loaded: the host's own handler for the
// routes that need one to be exercised safely (on Windows, a console
// control event the host handles, so that the event does not end it).
void PrepareCallbackRoutes();

// The routes every platform has, for the platforms' own tables.
namespace callback_routes {
// Whether WhereAddressPoints's words say memory no longer mapped.
bool NoLongerMapped(const std::string& where);
// The C++ runtime's terminate and new handlers, read.
std::string RuntimeHandlers();
// A thread started and ended: its start and end callbacks run.
std::string StartAndEndThread();
// The time just after: timers and alarms due then go off.
std::string LiveOnForTimers();
}  // namespace callback_routes
