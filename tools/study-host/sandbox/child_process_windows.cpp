#include <windows.h>

#include <cstdio>
#include <limits>

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/wide_text.h"
#include "tools/study-host/sandbox/child_process.h"

namespace {

constexpr std::size_t kOutputKept = 2048;
constexpr ULONGLONG kDrainMilliseconds = 200;

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void Close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_;
};

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

// A pipe whose write end the child inherits and whose read end it does not.
bool MakePipe(Handle& read_end, Handle& write_end) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(read_end.out(), write_end.out(), &inheritable, 1 << 16)) return false;
  return SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0) != 0;
}

// Reads what `pipe` has now; false at its end.
bool ReadAvailable(HANDLE pipe, std::string& into) {
  into.clear();
  DWORD available = 0;
  if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
  while (available > 0) {
    char buffer[65536];
    DWORD got = 0;
    const DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
    if (!ReadFile(pipe, buffer, wanted, &got, nullptr) || got == 0) return false;
    into.append(buffer, got);
    available -= got;
  }
  return true;
}

// A job that holds the child and everything it starts, ended when closed.
bool MakeJob(Handle& job) {
  *job.out() = CreateJobObjectA(nullptr, nullptr);
  if (job.get() == nullptr) return false;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  return SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) != 0;
}

DWORD ProcessesIn(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                 sizeof accounting, nullptr)) {
    return 0;
  }
  return accounting.ActiveProcesses;
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

class ChildPipes {
 public:
  ChildPipes(HANDLE channel, HANDLE output, ChildRun& run, const ChannelSink& sink)
      : channel_(channel), output_(output), run_(run), sink_(sink) {}

  // Reads what both pipes hold; true when channel data came.
  bool Read(bool& waiting) {
    std::string bytes;
    bool reported = false;
    if (channel_open_ && (channel_open_ = ReadAvailable(channel_, bytes)) && !bytes.empty()) {
      waiting = sink_(bytes);
      reported = true;
    }
    if (output_open_ && (output_open_ = ReadAvailable(output_, bytes)) && !bytes.empty()) {
      run_.output_bytes += bytes.size();
      if (run_.output.size() < kOutputKept) {
        run_.output += bytes.substr(0, kOutputKept - run_.output.size());
      }
    }
    return reported;
  }

 private:
  HANDLE channel_;
  HANDLE output_;
  ChildRun& run_;
  const ChannelSink& sink_;
  bool channel_open_ = true;
  bool output_open_ = true;
};

}  // namespace

ChildRun RunInChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                    const ChannelSink& sink) {
  ChildRun run;
  wchar_t self[32768];
  const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
  Handle channel_read, channel_write, output_read, output_write, job;
  if (length == 0 || length >= 32768 || !MakePipe(channel_read, channel_write) ||
      !MakePipe(output_read, output_write) || !MakeJob(job)) {
    run.start_failure = "cannot prepare a child process: error " + std::to_string(GetLastError());
    return run;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle nothing(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr));
  Handle tool_input;
  if (terms.reads_tool_input) {
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
                    tool_input.out(), 0, TRUE, DUPLICATE_SAME_ACCESS);
  }
  std::string command_line = Quoted(Utf8FromWide(self));
  for (const std::string& argument : arguments) command_line += ' ' + Quoted(argument);
  std::wstring wide_command_line = WideFromUtf8(command_line);
  // The child inherits this process's environment: announce the channel in
  // it for as long as the child takes to start.
  const std::string channel = std::to_string(reinterpret_cast<std::uintptr_t>(channel_write.get()));
  SetEnvironmentVariableA(kChannelVariable, channel.c_str());

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = terms.reads_tool_input ? tool_input.get() : nothing.get();
  startup.hStdOutput = output_write.get();
  startup.hStdError = output_write.get();
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessW(nullptr, wide_command_line.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA(kChannelVariable, nullptr);
  channel_write.Close();
  output_write.Close();
  if (!created) {
    run.start_failure = "cannot start a child process: error " + std::to_string(GetLastError());
    return run;
  }
  Handle process_handle(process.hProcess);
  Handle thread_handle(process.hThread);
  AssignProcessToJobObject(job.get(), process_handle.get());
  ResumeThread(thread_handle.get());
  run.started = true;

  ChildPipes pipes(channel_read.get(), output_read.get(), run, sink);
  const ULONGLONG limit_ms = static_cast<ULONGLONG>(terms.limit_seconds) * 1000;
  ULONGLONG deadline = GetTickCount64() + limit_ms;
  ULONGLONG last_look = GetTickCount64();
  bool said_waiting = false;
  while (WaitForSingleObject(process_handle.get(), 5) == WAIT_TIMEOUT) {
    // Time spent waiting for input of its own is not the child's.
    const ULONGLONG now = GetTickCount64();
    if (said_waiting && terms.may_wait_for_input) deadline += now - last_look;
    last_look = now;
    if (pipes.Read(said_waiting) && terms.limit == TimeLimit::kBetweenReports) {
      deadline = GetTickCount64() + limit_ms;
    }
    if (!(said_waiting && terms.may_wait_for_input) && GetTickCount64() >= deadline) {
      run.timed_out = true;
      TerminateJobObject(job.get(), 1);
      WaitForSingleObject(process_handle.get(), INFINITE);
      break;
    }
  }
  const ULONGLONG drain_until = GetTickCount64() + kDrainMilliseconds;
  do {
    pipes.Read(said_waiting);
  } while (GetTickCount64() < drain_until && ProcessesIn(job.get()) > 0);
  run.left_processes = !run.timed_out && ProcessesIn(job.get()) > 0;
  TerminateJobObject(job.get(), 1);
  if (run.timed_out) return run;
  DWORD exit_code = 0;
  GetExitCodeProcess(process_handle.get(), &exit_code);
  if (exit_code >= 0xC0000000u) {
    run.crashed = true;
    run.crash = "exception " + Hex(exit_code);
  } else {
    run.exit_code = static_cast<int>(exit_code);
  }
  return run;
}

std::optional<std::uint64_t> TakeChannelOfThisChild() {
  char announced[32];
  const DWORD length = GetEnvironmentVariableA(kChannelVariable, announced, sizeof announced);
  if (length == 0 || length >= sizeof announced) return std::nullopt;
  SetEnvironmentVariableA(kChannelVariable, nullptr);
  const ParsedWholeNumber channel =
      ParseWholeNumber(announced, 0, std::numeric_limits<std::int64_t>::max());
  if (!channel.problem.empty()) return std::nullopt;
  return static_cast<std::uint64_t>(channel.value);
}

bool WriteToChannel(std::uint64_t channel, std::string_view bytes) {
  const HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(channel));
  while (!bytes.empty()) {
    DWORD wrote = 0;
    const DWORD chunk = bytes.size() < 65536 ? static_cast<DWORD>(bytes.size()) : 65536;
    if (!WriteFile(pipe, bytes.data(), chunk, &wrote, nullptr) || wrote == 0) return false;
    bytes.remove_prefix(wrote);
  }
  return true;
}

void EndProcessOnCrash() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&EndOnUnhandledException);
}

void PrepareToolProcess() {
  // A write to a closed pipe fails with an error here; nothing to change.
}
