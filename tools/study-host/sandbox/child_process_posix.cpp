#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/ucontext.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <vector>

#include "host/address_sanitizer.h"
#include "tools/study-host/common/interruption.h"
#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/sandbox/channel_announcement.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/sandbox/time_limit.h"
#include "tools/study-host/sandbox/working_folder.h"

extern char** environ;

namespace {

constexpr std::size_t kOutputKept = 2048;
constexpr int kChildChannel = 3;                   // the channel's descriptor in the child
constexpr int kChildSecret = 4;                    // the secret's pipe in the child
constexpr long long kDrainMilliseconds = 200;      // reading what is left once the child ended
constexpr long long kExitGraceMilliseconds = 200;  // a channel's end and the exit that closed it

// The children running now (a check may run two at once), each the leader
// of its process group: for a signal that ends the tool, and so that one
// child's leftovers are told from another child still running.
constexpr std::size_t kMostChildrenAtOnce = 8;
std::atomic<pid_t> running_children[kMostChildrenAtOnce];
static_assert(std::atomic<pid_t>::is_always_lock_free, "read from a signal handler");

// Holds a running child's place while it lives.
class RunningChild {
 public:
  explicit RunningChild(pid_t child) {
    for (std::atomic<pid_t>& place : running_children) {
      pid_t free = 0;
      if (place.compare_exchange_strong(free, child)) {
        place_ = &place;
        return;
      }
    }
  }
  ~RunningChild() {
    if (place_ != nullptr) place_->store(0);
  }
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

 private:
  std::atomic<pid_t>* place_ = nullptr;
};

// Held while a child is started and its place taken, and while leftovers
// are ended: a child just started is never taken for another's leftover.
std::mutex starting_or_ending;

bool IsRunningChild(pid_t pid) {
  for (const std::atomic<pid_t>& place : running_children) {
    if (place.load() == pid) return true;
  }
  return false;
}

long long MillisecondsNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

struct Pipe {
  Descriptor read;
  Descriptor write;
};

bool MakePipe(Pipe& made) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  made.read.Reset(ends[0]);
  made.write.Reset(ends[1]);
  return true;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
};

// The child runs in a process group of its own (in its working folder when
// it has one), with default signal handling, an empty standard input unless it reads the tool's,
// output and error on `output`, the channel on kChildChannel and the secret's pipe on kChildSecret.
void Configure(SpawnSetup& setup, const ChildTerms& terms, int output, int channel, int secret,
               const std::string& folder) {
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&setup.actions, folder.c_str());
  if (!terms.reads_tool_input) {
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&setup.actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&setup.actions, output, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&setup.actions, channel, kChildChannel);
  posix_spawn_file_actions_adddup2(&setup.actions, secret, kChildSecret);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&setup.attributes, &signals);
  sigaddset(&signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&setup.attributes, &signals);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// Reads what one descriptor has; false at its end.
bool ReadAvailable(int fd, std::string& into) {
  char buffer[65536];
  ssize_t got;
  do {
    got = read(fd, buffer, sizeof buffer);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) return false;
  into.assign(buffer, static_cast<std::size_t>(got));
  return true;
}

// The tool's end of the child's channel, read as data comes.
class ChannelReader {
 public:
  ChannelReader(int channel, const ChannelSink& sink) : sink_(sink) {
    watch_ = {channel, POLLIN, 0};
  }

  bool open() const { return watch_.fd >= 0; }

  // Waits up to `milliseconds` for data and reads it. Returns true when data
  // came; `waiting` tells what the child said of it. At the channel's end
  // stops watching it.
  bool Read(int milliseconds, bool& waiting) {
    if (!open() || poll(&watch_, 1, milliseconds) <= 0) return false;
    // A child that reports in many small frames (a replay step each) is read
    // in larger gulps: a moment's wait lets the frames gather in the pipe.
    if (milliseconds > 0 && last_read_ < kGulp) usleep(500);
    std::string bytes;
    if (!ReadAvailable(watch_.fd, bytes)) {
      watch_.fd = -1;
      return false;
    }
    last_read_ = bytes.size();
    waiting = sink_(bytes);
    return true;
  }

  // Reads what is left after the child ended, for a short while at most:
  // a process it left behind may hold the channel open.
  void Drain() {
    const long long until = MillisecondsNow() + kDrainMilliseconds;
    bool waiting = false;
    while (open() && MillisecondsNow() < until && Read(0, waiting)) {
    }
  }

 private:
  static constexpr std::size_t kGulp = 16384;

  const ChannelSink& sink_;
  pollfd watch_;
  std::size_t last_read_ = 0;
};

// A file for the child's standard output and error in `folder`, gone once
// closed: the module writes it at the disk's pace, never waiting on the
// tool. -1 with errno set when the folder will not take one.
int MakeOutputFileIn(const std::string& folder) {
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = folder + "/study-host-output-XXXXXX";
  fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) unlink(name.c_str());
  return fd;
}

// The output file in TMPDIR, or in /tmp when TMPDIR names no usable
// folder; -1 when neither takes one, `problem` saying what to set.
int MakeOutputFile(std::string& problem) {
  const char* folder = std::getenv("TMPDIR");
  const std::string chosen = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  int fd = MakeOutputFileIn(chosen);
  if (fd < 0 && chosen != "/tmp") fd = MakeOutputFileIn("/tmp");
  if (fd < 0) {
    problem = "cannot make a temporary file in '" + chosen + "' (" + std::strerror(errno) +
              "): set TMPDIR to a folder that exists and can be written";
  }
  return fd;
}

// The start of what the child wrote, and how much it wrote in all.
void ReadOutput(int file, ChildRun& run) {
  struct stat status {};
  if (fstat(file, &status) == 0) run.output_bytes = static_cast<std::uint64_t>(status.st_size);
  char start[kOutputKept];
  const ssize_t got = pread(file, start, sizeof start, 0);
  if (got > 0) run.output.assign(start, static_cast<std::size_t>(got));
}

// Hands the child its secret and closes the pipe.
void HandSecret(Descriptor& secret_write, const std::string& secret) {
  std::string_view left = secret;
  while (!left.empty()) {
    const ssize_t wrote = write(secret_write.get(), left.data(), left.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    left.remove_prefix(static_cast<std::size_t>(wrote));
  }
  secret_write.Close();
}

bool StillRunning(pid_t child) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

// Whether a channel that ended was closed by a child that goes on running,
// rather than by its exit.
bool ClosedWhileRunning(pid_t child) {
  const long long until = MillisecondsNow() + kExitGraceMilliseconds;
  while (MillisecondsNow() < until) {
    if (!StillRunning(child)) return false;
    usleep(5000);
  }
  return StillRunning(child);
}

// This process's environment with the channel announced (any older
// announcement dropped) and the terms' variables set or removed.
std::vector<std::string> ChildEnvironment(const ChildTerms& terms) {
  const auto named = [](const char* variable, const std::string& name) {
    return std::strncmp(variable, name.c_str(), name.size()) == 0 && variable[name.size()] == '=';
  };
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    bool replaced = named(*variable, kChannelVariable);
    for (const auto& [name, value] : terms.environment)
      replaced = replaced || named(*variable, name);
    if (!replaced) variables.push_back(*variable);
  }
  for (const auto& [name, value] : terms.environment) {
    if (value) variables.push_back(name + "=" + *value);
  }
  variables.push_back(std::string(kChannelVariable) + "=" +
                      Announce({kChildChannel, kChildSecret}));
  return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string SignalText(int signal_number) {
  return "signal " + std::to_string(signal_number) + ", " + strsignal(signal_number);
}

// Processes the tool has adopted: a child's descendants, once the child is
// gone (the tool is their subreaper); not the children it runs. Any thread
// of the tool may have adopted them.
std::vector<pid_t> AdoptedProcesses() {
  std::vector<pid_t> adopted;
  const std::string self = "/proc/" + std::to_string(getpid()) + "/task";
  DIR* tasks = opendir(self.c_str());
  if (tasks == nullptr) return adopted;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    std::ifstream children(self + "/" + task->d_name + "/children");
    for (pid_t pid; children >> pid;) {
      if (!IsRunningChild(pid)) adopted.push_back(pid);
    }
  }
  closedir(tasks);
  return adopted;
}

// Ends what is left of the child's tree; true when anything was left.
bool EndLeftovers(pid_t group) {
  const std::lock_guard<std::mutex> ending(starting_or_ending);
  bool left = kill(-group, 0) == 0;
  kill(-group, SIGKILL);
  for (pid_t pid : AdoptedProcesses()) {
    left = true;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  return left;
}

void RecordEnd(int status, ChildRun& run) {
  if (WIFSIGNALED(status)) {
    run.crashed = true;
    run.crash = SignalText(WTERMSIG(status));
  } else {
    run.exit_code = WEXITSTATUS(status);
  }
}

}  // namespace

ChildRun RunChildProcess(const std::vector<std::string>& arguments, const ChildTerms& terms,
                         const std::string& secret, const ChannelSink& sink) {
  ThrowIfInterrupted();
  ChildRun run;
  Pipe channel;
  Pipe secret_pipe;
  std::string output_problem;
  Descriptor output(MakeOutputFile(output_problem));
  std::optional<WorkingFolder> folder;
  if (terms.own_working_folder) folder.emplace();
  if (output.get() < 0) {
    run.start_failure = output_problem;
    return run;
  }
  if (folder && folder->path().empty()) {
    run.start_failure =
        "cannot make a working folder in the temporary folder: set TMPDIR to a "
        "folder that exists and can be written";
    return run;
  }
  if (!MakePipe(channel) || !MakePipe(secret_pipe)) {
    run.start_failure = std::string("cannot prepare a child process: ") + std::strerror(errno);
    return run;
  }
  // Above the descriptors the child's dup2 calls write to.
  Descriptor channel_write(fcntl(channel.write.get(), F_DUPFD_CLOEXEC, kChildSecret + 1));
  channel.write.Close();
  Descriptor secret_read(fcntl(secret_pipe.read.get(), F_DUPFD_CLOEXEC, kChildSecret + 1));
  secret_pipe.read.Close();

  std::vector<std::string> words = {"/proc/self/exe"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const std::vector<char*> argv = Pointers(words);
  std::vector<std::string> variables = ChildEnvironment(terms);
  const std::vector<char*> environment = Pointers(variables);

  SpawnSetup setup;
  Configure(setup, terms, output.get(), channel_write.get(), secret_read.get(),
            folder ? folder->path().string() : std::string());
  pid_t child = 0;
  std::unique_lock<std::mutex> starting(starting_or_ending);
  const int spawned = posix_spawn(&child, argv[0], &setup.actions, &setup.attributes, argv.data(),
                                  environment.data());
  channel_write.Close();
  secret_read.Close();
  if (spawned != 0) {
    run.start_failure = std::string("cannot start a child process: ") + std::strerror(spawned);
    return run;
  }
  const RunningChild running(child);
  starting.unlock();
  run.started = true;
  HandSecret(secret_pipe.write, secret);

  ChannelReader reader(channel.read.get(), sink);
  ChildTimeLimit limit(terms, MillisecondsNow());
  int status = 0;
  while (true) {
    limit.Advance(MillisecondsNow());
    const int slice = static_cast<int>(limit.NextWait(MillisecondsNow(), 50));
    const bool was_open = reader.open();
    bool said_waiting = false;
    if (reader.Read(slice, said_waiting)) limit.Reported(MillisecondsNow(), said_waiting);
    if (was_open && !reader.open()) run.channel_closed = ClosedWhileRunning(child);
    if (!reader.open()) usleep(static_cast<useconds_t>(slice) * 1000);
    if (WasInterrupted()) kill(-child, SIGKILL);  // stopped before the handler knew the child
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    if (limit.Expired(MillisecondsNow())) {
      run.timed_out = true;
      kill(-child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
  }
  reader.Drain();
  run.left_processes = EndLeftovers(child) && !run.timed_out;
  ReadOutput(output.get(), run);
  if (folder) run.files_made = folder->Contents();
  ThrowIfInterrupted();  // the child's working folder is removed on the way out
  if (!run.timed_out) RecordEnd(status, run);
  return run;
}

std::optional<ChildChannel> TakeChannelOfThisChild() {
  const char* announced = std::getenv(kChannelVariable);
  if (announced == nullptr) return std::nullopt;
  const std::string words = announced;
  unsetenv(kChannelVariable);
  // A child whose tool has died ends itself, and at once if it already has.
  const pid_t tool = getppid();
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != tool) _exit(1);
  const std::optional<ChannelAnnouncement> announced_channel = ParseAnnouncement(words);
  constexpr std::uint64_t kLargestDescriptor = 1 << 20;
  if (!announced_channel || announced_channel->report > kLargestDescriptor ||
      announced_channel->secret_pipe > kLargestDescriptor) {
    return std::nullopt;
  }
  ChildChannel channel{announced_channel->report, ""};
  const int fd = static_cast<int>(announced_channel->secret_pipe);
  char secret[kSecretLength];
  std::size_t got = 0;
  while (got < sizeof secret) {
    const ssize_t read_now = read(fd, secret + got, sizeof secret - got);
    if (read_now < 0 && errno == EINTR) continue;
    if (read_now <= 0) break;
    got += static_cast<std::size_t>(read_now);
  }
  close(fd);
  channel.secret.assign(secret, got);
  fcntl(static_cast<int>(channel.report), F_SETFD, FD_CLOEXEC);
  return channel;
}

bool WriteToChannel(std::uint64_t channel, std::string_view bytes) {
  const int fd = static_cast<int>(channel);
  while (!bytes.empty()) {
    const ssize_t wrote = write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

namespace {

// Built before any crash: the frames that tell a stack overflow, and a
// jump into memory that holds no code.
std::string* stack_overflow_frame = nullptr;
std::string* code_gone_frame = nullptr;
std::string* null_call_frame = nullptr;
std::uint64_t crash_channel = 0;
// The lowest address of a prepared thread's stack; 0 on any other thread.
thread_local std::uintptr_t stack_lowest = 0;

// A stack overflow is a data access just below the faulting thread's stack
// and near its stack pointer. A jump into code that is gone (a module's
// thread after unload) or a read of its data is not one, even where that
// code lay right above a thread's stack.
bool IsStackOverflow(const siginfo_t& info, const ucontext_t& context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info.si_addr);
  const auto stack_pointer = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RSP]);
  const auto instruction = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RIP]);
  constexpr std::uintptr_t kBelow = 1 << 16;   // a push or probe below the pointer
  constexpr std::uintptr_t kAbove = 16 << 20;  // a large frame's own area
  const bool near_stack_pointer =
      address + kBelow >= stack_pointer && address < stack_pointer + kAbove;
  const bool below_stack =
      stack_lowest != 0 && address < stack_lowest + kBelow && address + kAbove >= stack_lowest;
  return address != instruction && near_stack_pointer && below_stack;
}

// The fault is the fetch of an instruction itself: the code jumped to is
// not there (a module's, called after it was unloaded).
bool IsJumpIntoNoCode(const siginfo_t& info, const ucontext_t& context) {
  return reinterpret_cast<std::uintptr_t>(info.si_addr) ==
         static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RIP]);
}

void OnSegmentationFault(int signal_number, siginfo_t* info, void* context) {
  const ucontext_t& state = *static_cast<ucontext_t*>(context);
  if (stack_overflow_frame != nullptr && IsStackOverflow(*info, state)) {
    WriteToChannel(crash_channel, *stack_overflow_frame);
  } else if (code_gone_frame != nullptr && IsJumpIntoNoCode(*info, state)) {
    const bool null_call = reinterpret_cast<std::uintptr_t>(info->si_addr) < kFirstPageEnd;
    WriteToChannel(crash_channel, null_call ? *null_call_frame : *code_gone_frame);
  }
  signal(signal_number, SIG_DFL);
  raise(signal_number);  // ends the process by this signal once the handler returns
}

}  // namespace

void PrepareThreadForCrash() {
  // The handler runs on a stack of its own: the thread's own is full.
  // AddressSanitizer gives every thread one of its own, and unmaps it as
  // the thread ends: it must stay the sanitizer's.
  if constexpr (!kUnderAddressSanitizer) {
    static thread_local std::vector<char> alternate(1 << 16);
    stack_t stack{};
    stack.ss_sp = alternate.data();
    stack.ss_size = alternate.size();
    sigaltstack(&stack, nullptr);
  }
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
  void* lowest = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attributes, &lowest, &size) == 0) {
    stack_lowest = reinterpret_cast<std::uintptr_t>(lowest);
  }
  pthread_attr_destroy(&attributes);
}

void PutCrashHandlerFirst() {
  // A signal has one handler: the tool's stays unless a module replaced it,
  // which the census and the delivery of each signal name.
}

void EndProcessOnCrash(const ChannelWriter& channel) {
  // Signals already end the process and show in its wait status. Under
  // AddressSanitizer its own handler reports a fault, the overflow included.
  if constexpr (kUnderAddressSanitizer) return;
  stack_overflow_frame = new std::string(channel.EncodeFrame(FrameKind::kCause, kStackOverflow));
  code_gone_frame = new std::string(channel.EncodeFrame(FrameKind::kCause, kRanCodeThatIsGone));
  null_call_frame = new std::string(channel.EncodeFrame(FrameKind::kCause, kCalledNullPointer));
  crash_channel = channel.channel();
  PrepareThreadForCrash();
  struct sigaction action {};
  action.sa_sigaction = &OnSegmentationFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, nullptr);
}

namespace {

// A signal that stops the tool is noted and ends the running child's
// process group at once; the tool then unwinds (see interruption.h). Noted
// first: a thread of the tool that finds its child ended must know why.
// Later ones change nothing: the first is being seen to.
void StopChildAndNote(int signal_number) {
  const int saved_errno = errno;
  NoteInterruption(signal_number);
  for (const std::atomic<pid_t>& place : running_children) {
    const pid_t group = place.load();
    if (group > 0) kill(-group, SIGKILL);
  }
  errno = saved_errno;
}

}  // namespace

void PrepareToolProcess() {
  signal(SIGPIPE, SIG_IGN);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  struct sigaction action {};
  action.sa_handler = &StopChildAndNote;
  action.sa_flags = SA_RESTART;  // reads and writes go on; the run unwinds at its next step
  sigfillset(&action.sa_mask);
  for (int ending : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(ending, &action, nullptr);
}
