#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/common/interruption.h"
#include "tools/study-host/common/wide_text.h"
#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/sandbox/channel_announcement.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/sandbox/time_limit.h"
#include "tools/study-host/sandbox/working_folder.h"

namespace {

constexpr std::size_t kOutputKept = 2048;
constexpr ULONGLONG kDrainMilliseconds = 200;
constexpr DWORD kExitGraceMilliseconds = 200;  // a channel's end and the exit that closed it

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

// A pipe of which the child inherits one end, `childs_end`, and not the
// other.
bool MakePipe(Handle& read_end, Handle& write_end, const Handle& childs_end) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(read_end.out(), write_end.out(), &inheritable, 1 << 16)) return false;
  const Handle& tools_end = &childs_end == &read_end ? write_end : read_end;
  return SetHandleInformation(tools_end.get(), HANDLE_FLAG_INHERIT, 0) != 0;
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

// Built before any crash: the frame that tells a jump into memory that
// holds no code.
std::string* code_gone_frame = nullptr;
std::string* null_call_frame = nullptr;
std::uint64_t crash_channel = 0;

// An access violation in fetching the instruction itself: the code jumped
// to is not there (a module's, called after it was unloaded).
bool IsJumpIntoNoCode(const EXCEPTION_RECORD& record) {
  constexpr ULONG_PTR kExecuting = 8;
  return record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2 &&
         (record.ExceptionInformation[0] == kExecuting ||
          record.ExceptionInformation[1] == reinterpret_cast<ULONG_PTR>(record.ExceptionAddress));
}

// First of every vectored handler: a stack overflow leaves too little
// stack for the filter, and a jump into no code would run a handler the
// module left (there) first; both end the process at once, with the
// exception's code, which says what it was.
LONG WINAPI EndOnFatalFault(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
    TerminateProcess(GetCurrentProcess(), EXCEPTION_STACK_OVERFLOW);
  }
  if (IsJumpIntoNoCode(record)) {
    const bool null_call = record.ExceptionInformation[1] < kFirstPageEnd;
    std::string* const frame = null_call ? null_call_frame : code_gone_frame;
    if (frame != nullptr) WriteToChannel(crash_channel, *frame);
    TerminateProcess(GetCurrentProcess(), EXCEPTION_ACCESS_VIOLATION);
  }
  return EXCEPTION_CONTINUE_SEARCH;
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

// The tool's end of the child's channel, read as data comes.
class ChannelReader {
 public:
  ChannelReader(HANDLE channel, const ChannelSink& sink) : channel_(channel), sink_(sink) {}

  bool open() const { return open_; }

  // Reads what the channel holds; true when data came. At the channel's end
  // stops reading it.
  bool Read(bool& waiting) {
    std::string bytes;
    if (!open_) return false;
    open_ = ReadAvailable(channel_, bytes);
    if (!open_ || bytes.empty()) return false;
    waiting = sink_(bytes);
    return true;
  }

 private:
  HANDLE channel_;
  const ChannelSink& sink_;
  bool open_ = true;
};

// A file for the child's standard output and error, deleted once closed:
// the module writes it at the disk's pace, never waiting on the tool (a
// pipe under wine carries a few megabytes a second).
bool MakeOutputFileIn(const wchar_t* folder, Handle& file) {
  wchar_t name[MAX_PATH + 1];
  if (GetTempFileNameW(folder, L"sho", 0, name) == 0) return false;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  *file.out() = CreateFileW(
      name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return file.get() != INVALID_HANDLE_VALUE;
}

// In the temporary folder TMP and TEMP name, or in the Windows folder's own
// Temp when they name none that works.
bool MakeOutputFile(Handle& file) {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length > 0 && length <= MAX_PATH && MakeOutputFileIn(folder, file)) return true;
  const std::wstring fallback = WindowsTemp();
  return !fallback.empty() && MakeOutputFileIn(fallback.c_str(), file);
}

// The start of what the child wrote, and how much it wrote in all.
void ReadOutput(HANDLE file, ChildRun& run) {
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size)) run.output_bytes = static_cast<std::uint64_t>(size.QuadPart);
  char start[kOutputKept];
  OVERLAPPED from_start{};
  DWORD got = 0;
  if (ReadFile(file, start, sizeof start, &got, &from_start) && got > 0) {
    run.output.assign(start, got);
  }
}

// Hands the child its secret and closes the pipe.
void HandSecret(Handle& secret_write, const std::string& secret) {
  DWORD wrote = 0;
  WriteFile(secret_write.get(), secret.data(), static_cast<DWORD>(secret.size()), &wrote, nullptr);
  secret_write.Close();
}

// The name of an environment entry ("NAME=value"; "=C:=C:\\..." names a
// drive's folder).
std::wstring NameOfEntry(const std::wstring& entry) {
  return entry.substr(0, entry.find(L'=', 1));
}

// The environment block a child starts with: this process's, with
// `variables` set or removed. A block of its own, so that this process's
// environment, which its other threads read (the temporary folder, say),
// never changes.
std::wstring EnvironmentBlockFor(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& variables) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* at = block; *at != L'\0'; at += wcslen(at) + 1) entries.emplace_back(at);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : variables) {
    const std::wstring wide_name = WideFromUtf8(name);
    std::erase_if(entries, [&wide_name](const std::wstring& entry) {
      return _wcsicmp(NameOfEntry(entry).c_str(), wide_name.c_str()) == 0;  // names ignore case
    });
    if (value) entries.push_back(wide_name + L"=" + WideFromUtf8(*value));
  }
  std::wstring block;
  for (const std::wstring& entry : entries) {
    block += entry;
    block += L'\0';
  }
  if (entries.empty()) block += L'\0';
  block += L'\0';
  return block;
}

// The jobs of the children running now (a check may run two at once), for
// a console event that stops the tool.
std::atomic<HANDLE> running_jobs[8];

// Holds a running child's job for the handler while it lives.
class RunningJob {
 public:
  explicit RunningJob(HANDLE job) {
    for (std::atomic<HANDLE>& place : running_jobs) {
      HANDLE free = nullptr;
      if (place.compare_exchange_strong(free, job)) {
        place_ = &place;
        return;
      }
    }
  }
  ~RunningJob() {
    if (place_ != nullptr) place_->store(nullptr);
  }
  RunningJob(const RunningJob&) = delete;
  RunningJob& operator=(const RunningJob&) = delete;

 private:
  std::atomic<HANDLE>* place_ = nullptr;
};

// Ctrl+C, Ctrl+Break, a closed console window, logging off: notes it and
// ends the running child at once; the tool then unwinds (see
// interruption.h). Noted first: the tool's own thread, finding its child
// ended, must know why. A console window's closing ends the process once
// this returns, so it waits for the tool to end first (Windows allows a few
// seconds).
BOOL WINAPI StopChildAndNote(DWORD event) {
  NoteInterruption(static_cast<int>(event));
  for (const std::atomic<HANDLE>& place : running_jobs) {
    if (const HANDLE job = place.load()) TerminateJobObject(job, 1);
  }
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(10000);
  return TRUE;
}

}  // namespace

ChildRun RunChildProcess(const std::vector<std::string>& arguments, const ChildTerms& terms,
                         const std::string& secret, const ChannelSink& sink) {
  ThrowIfInterrupted();
  ChildRun run;
  wchar_t self[32768];
  const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
  // One child is started at a time (a check may run two at once): what a
  // child inherits is made inheritable only for as long as it starts.
  static std::mutex starting;
  std::unique_lock<std::mutex> starting_one(starting);
  Handle channel_read, channel_write, secret_read, secret_write, output, job;
  std::optional<WorkingFolder> folder;
  if (terms.own_working_folder) folder.emplace();
  if (!MakeOutputFile(output) || (folder && folder->path().empty())) {
    run.start_failure = "cannot make a temporary file (error " + std::to_string(GetLastError()) +
                        "): set TMP and TEMP to a folder that exists and can be written";
    return run;
  }
  if (length == 0 || length >= 32768 || !MakePipe(channel_read, channel_write, channel_write) ||
      !MakePipe(secret_read, secret_write, secret_read) || !MakeJob(job)) {
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
  // The child's environment announces the channel.
  std::vector<std::pair<std::string, std::optional<std::string>>> variables = terms.environment;
  variables.emplace_back(kChannelVariable,
                         Announce({reinterpret_cast<std::uintptr_t>(channel_write.get()),
                                   reinterpret_cast<std::uintptr_t>(secret_read.get())}));
  std::wstring environment = EnvironmentBlockFor(variables);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = terms.reads_tool_input ? tool_input.get() : nothing.get();
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION process{};
  const std::wstring working_folder = folder ? folder->path().wstring() : std::wstring();
  // Starting a process can fail for an instant (the system short of a
  // resource; wine's server under load): a few tries before giving up.
  constexpr int kStartAttempts = 3;
  constexpr DWORD kBetweenAttemptsMilliseconds = 200;
  BOOL created = FALSE;
  for (int attempt = 1; !created && attempt <= kStartAttempts; ++attempt) {
    if (attempt > 1) Sleep(kBetweenAttemptsMilliseconds);
    // A process group of its own: the console's Ctrl+C is the tool's alone,
    // from the child's first instruction on.
    created = CreateProcessW(
        nullptr, wide_command_line.data(), nullptr, nullptr, TRUE,
        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP,
        environment.data(), folder ? working_folder.c_str() : nullptr, &startup, &process);
  }
  channel_write.Close();
  secret_read.Close();
  nothing.Close();
  tool_input.Close();
  SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, 0);  // the next child's is its own
  starting_one.unlock();
  if (!created) {
    run.start_failure = "cannot start a child process: error " + std::to_string(GetLastError());
    return run;
  }
  Handle process_handle(process.hProcess);
  Handle thread_handle(process.hThread);
  if (!AssignProcessToJobObject(job.get(), process_handle.get())) {
    // Without its job, nothing it starts could be ended with it: not run.
    TerminateProcess(process_handle.get(), 1);
    run.start_failure =
        "cannot put a child process in a job: error " + std::to_string(GetLastError());
    return run;
  }
  const RunningJob running(job.get());
  ResumeThread(thread_handle.get());
  run.started = true;
  HandSecret(secret_write, secret);

  ChannelReader reader(channel_read.get(), sink);
  const auto now = [] { return static_cast<std::int64_t>(GetTickCount64()); };
  ChildTimeLimit limit(terms, now());
  bool said_waiting = false;
  while (WaitForSingleObject(process_handle.get(), 5) == WAIT_TIMEOUT) {
    limit.Advance(now());
    const bool was_open = reader.open();
    if (reader.Read(said_waiting)) limit.Reported(now(), said_waiting);
    if (was_open && !reader.open()) {
      // Closed by the child's exit, or by a module that goes on running.
      run.channel_closed =
          WaitForSingleObject(process_handle.get(), kExitGraceMilliseconds) == WAIT_TIMEOUT;
    }
    if (WasInterrupted()) TerminateJobObject(job.get(), 1);  // stopped before the handler knew it
    if (limit.Expired(now())) {
      run.timed_out = true;
      TerminateJobObject(job.get(), 1);
      TerminateProcess(process_handle.get(), 1);  // should it not have joined the job
      // Ended at once on Windows; bounded, should a system be slow to end it.
      constexpr DWORD kEndingMilliseconds = 10000;
      WaitForSingleObject(process_handle.get(), kEndingMilliseconds);
      break;
    }
  }
  const ULONGLONG drain_until = GetTickCount64() + kDrainMilliseconds;
  do {
    reader.Read(said_waiting);
  } while (GetTickCount64() < drain_until && ProcessesIn(job.get()) > 0);
  run.left_processes = !run.timed_out && ProcessesIn(job.get()) > 0;
  TerminateJobObject(job.get(), 1);
  ReadOutput(output.get(), run);
  if (folder) {
    // Every process of the job gone, so its files are closed and its working
    // folder can be listed and removed.
    for (int wait = 0; wait < 200 && ProcessesIn(job.get()) > 0; ++wait) Sleep(10);
    run.files_made = folder->Contents();
  }
  ThrowIfInterrupted();  // the child's working folder is removed on the way out
  if (run.timed_out) return run;
  DWORD exit_code = 0;
  GetExitCodeProcess(process_handle.get(), &exit_code);
  if (exit_code >= 0xC0000000u) {
    run.crashed = true;
    run.crash = "exception " + Hex(exit_code);
    if (exit_code == EXCEPTION_STACK_OVERFLOW) run.crash += std::string(": ") + kStackOverflow;
  } else {
    run.exit_code = static_cast<int>(exit_code);
  }
  return run;
}

std::optional<ChildChannel> TakeChannelOfThisChild() {
  char announced[64];
  const DWORD length = GetEnvironmentVariableA(kChannelVariable, announced, sizeof announced);
  if (length == 0 || length >= sizeof announced) return std::nullopt;
  SetEnvironmentVariableA(kChannelVariable, nullptr);
  const std::optional<ChannelAnnouncement> announced_channel =
      ParseAnnouncement(std::string_view(announced, length));
  if (!announced_channel) return std::nullopt;
  ChildChannel channel{announced_channel->report, ""};
  const HANDLE pipe =
      reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(announced_channel->secret_pipe));
  char secret[kSecretLength];
  DWORD got = 0;
  while (got < sizeof secret) {
    DWORD read_now = 0;
    if (!ReadFile(pipe, secret + got, sizeof secret - got, &read_now, nullptr) || read_now == 0) {
      break;
    }
    got += read_now;
  }
  CloseHandle(pipe);
  channel.secret.assign(secret, got);
  // Nothing the module starts inherits the channel.
  SetHandleInformation(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(channel.report)),
                       HANDLE_FLAG_INHERIT, 0);
  return channel;
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

void PrepareThreadForCrash() {
  // Every thread's stack overflow reaches the vectored handler.
}

void EndProcessOnCrash(const ChannelWriter& channel) {
  // Ctrl+C in the console is the tool's to handle: it ends its children.
  SetConsoleCtrlHandler(nullptr, TRUE);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&EndOnUnhandledException);
  code_gone_frame = new std::string(channel.EncodeFrame(FrameKind::kCause, kRanCodeThatIsGone));
  null_call_frame = new std::string(channel.EncodeFrame(FrameKind::kCause, kCalledNullPointer));
  crash_channel = channel.channel();
  PutCrashHandlerFirst();
}

void PutCrashHandlerFirst() {
  static void* first = nullptr;
  if (first != nullptr) RemoveVectoredExceptionHandler(first);
  first = AddVectoredExceptionHandler(1, &EndOnFatalFault);
}

void PrepareToolProcess() {
  // A write to a closed pipe fails with an error here; nothing to change.
  SetConsoleCtrlHandler(&StopChildAndNote, TRUE);
}
