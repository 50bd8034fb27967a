// The process-wide state a module could change and leave changed after it
// is unloaded: the working folder, the environment, the C locale, and the
// handlers of crashes and signals (on Windows the unhandled-exception
// filter too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProcessState {
  std::string working_folder;
  std::vector<std::string> environment;  // NAME=VALUE, sorted
  std::string locale;                    // setlocale(LC_ALL, nullptr)
  struct Handler {
    int signal;
    std::uintptr_t address;  // the handler's address (0: the default)
  };
  std::vector<Handler> handlers;
  std::uintptr_t exception_filter = 0;  // Windows: the unhandled-exception filter
};

ProcessState CurrentProcessState();

// What changed from `before` to `after`, in words; "" when nothing did.
std::string ProcessStateChange(const ProcessState& before, const ProcessState& after);

// Whether `address` lies in a module the process still has loaded.
bool AddressInLoadedModule(const void* address);

// Per platform (process_state_posix.cpp, process_state_windows.cpp).
std::vector<std::string> EnvironmentNow();
std::vector<ProcessState::Handler> HandlersNow();
std::uintptr_t ExceptionFilterNow();
std::string SignalName(int signal);
