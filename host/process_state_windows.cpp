// Windows: the environment block, the C runtime's signal handlers, the
// unhandled-exception filter, and whether an address lies in a loaded
// module.
#include <windows.h>

#include <csignal>
#include <string>
#include <vector>

#include "host/process_state.h"

std::vector<std::string> EnvironmentNow() {
  std::vector<std::string> variables;
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return variables;
  for (const wchar_t* at = block; *at != L'\0'; at += wcslen(at) + 1) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, at, -1, nullptr, 0, nullptr, nullptr);
    std::string variable(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, at, -1, variable.data(), length, nullptr, nullptr);
    variables.push_back(variable);
  }
  FreeEnvironmentStringsW(block);
  return variables;
}

std::vector<ProcessState::Handler> HandlersNow() {
  std::vector<ProcessState::Handler> handlers;
  for (int signal_number : {SIGINT, SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT}) {
    // Read by setting and setting back: the C runtime has no other way.
    const auto handler = std::signal(signal_number, SIG_DFL);
    std::signal(signal_number, handler);
    handlers.push_back({signal_number, reinterpret_cast<std::uintptr_t>(handler)});
  }
  return handlers;
}

std::uintptr_t ExceptionFilterNow() {
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  return reinterpret_cast<std::uintptr_t>(filter);
}

std::string SignalName(int signal_number) {
  return "signal " + std::to_string(signal_number);
}

bool AddressInLoadedModule(const void* address) {
  if (address == nullptr) return true;
  HMODULE owner = nullptr;
  return GetModuleHandleExA(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             static_cast<const char*>(address), &owner) != 0;
}
