#include <windows.h>

#include <cstdio>

#include "child_process.h"

namespace {

// One argument quoted so that the C runtime's command-line parser gives it back unchanged.
std::string Quoted(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

void ReadAvailable(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char buffer[4096];
    DWORD got = 0;
    const DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
    if (!ReadFile(pipe, buffer, wanted, &got, nullptr) || got == 0) return;
    output.append(buffer, got);
  }
}

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace

ChildOutcome RunThisProgram(const std::vector<std::string>& arguments, int timeout_seconds) {
  ChildOutcome outcome;
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    outcome.failure = "cannot find this program's path";
    return outcome;
  }
  std::string command_line = Quoted(self);
  for (const std::string& argument : arguments) {
    command_line += ' ';
    command_line += Quoted(argument);
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 1 << 16)) {
    outcome.failure = "cannot create a pipe";
    return outcome;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!created) {
    CloseHandle(read_end);
    outcome.failure =
        std::string("cannot start a child process: error ") + std::to_string(GetLastError());
    return outcome;
  }
  outcome.started = true;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_seconds) * 1000;
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    ReadAvailable(read_end, outcome.output);
    if (GetTickCount64() > deadline) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      outcome.timed_out = true;
      break;
    }
  }
  ReadAvailable(read_end, outcome.output);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(read_end);
  if (outcome.timed_out) return outcome;
  if (exit_code >= 0xC0000000u) {
    outcome.crashed = true;
    outcome.failure = "exception " + Hex(exit_code);
  } else {
    outcome.exit_code = static_cast<int>(exit_code);
  }
  return outcome;
}

void EndProcessOnCrash() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&EndOnUnhandledException);
}
