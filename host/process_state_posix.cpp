// Linux: the environment, the handlers of every signal, and whether an
// address lies in a loaded object.
#include <dlfcn.h>
#include <signal.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/process_state.h"

extern char** environ;

std::vector<std::string> EnvironmentNow() {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable)
    variables.emplace_back(*variable);
  return variables;
}

std::vector<ProcessState::Handler> HandlersNow() {
  std::vector<ProcessState::Handler> handlers;
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    struct sigaction action {};
    if (sigaction(signal_number, nullptr, &action) != 0) continue;
    const auto address = (action.sa_flags & SA_SIGINFO) != 0
                             ? reinterpret_cast<std::uintptr_t>(action.sa_sigaction)
                             : reinterpret_cast<std::uintptr_t>(action.sa_handler);
    handlers.push_back({signal_number, address});
  }
  return handlers;
}

std::uintptr_t ExceptionFilterNow() {
  return 0;
}

std::string SignalName(int signal_number) {
  return "signal " + std::to_string(signal_number) + " (" + strsignal(signal_number) + ")";
}

bool AddressInLoadedModule(const void* address) {
  if (address == nullptr || address == reinterpret_cast<const void*>(SIG_IGN)) return true;
  Dl_info found{};
  return dladdr(address, &found) != 0;
}
