#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/sandbox/child_process.h"

extern char** environ;

namespace {

constexpr std::size_t kOutputKept = 2048;
constexpr int kChildChannel = 3;               // the channel's descriptor in the child
constexpr long long kDrainMilliseconds = 200;  // reading what is left once the child ended

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

// The child runs in a process group of its own, with default signal
// handling, an empty standard input unless it reads the tool's, output and
// error on `output`, and the channel on kChildChannel.
void Configure(SpawnSetup& setup, const ChildTerms& terms, int output, int channel) {
  if (!terms.reads_tool_input) {
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&setup.actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&setup.actions, output, STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&setup.actions, channel, kChildChannel);
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

// The tool's two ends of the child's pipes, read as data comes.
class ChildPipes {
 public:
  ChildPipes(int channel, int output, ChildRun& run, const ChannelSink& sink)
      : run_(run), sink_(sink) {
    watch_[0] = {channel, POLLIN, 0};
    watch_[1] = {output, POLLIN, 0};
  }

  // Waits up to `milliseconds` for data and reads it. Returns true when
  // channel data came; `waiting` tells what the child said of it.
  bool Read(int milliseconds, bool& waiting) {
    if (poll(watch_, 2, milliseconds) <= 0) return false;
    // A child that reports in many small frames (a replay step each) is read
    // in larger gulps: a moment's wait lets the frames gather in the pipe.
    if (milliseconds > 0 && last_read_ < kGulp) usleep(500);
    bool reported = false;
    std::string bytes;
    if (watch_[0].revents != 0) {
      if (ReadAvailable(watch_[0].fd, bytes)) {
        last_read_ = bytes.size();
        waiting = sink_(bytes);
        reported = true;
      } else {
        watch_[0].fd = -1;
      }
    }
    if (watch_[1].revents != 0) {
      if (ReadAvailable(watch_[1].fd, bytes)) {
        run_.output_bytes += bytes.size();
        if (run_.output.size() < kOutputKept) {
          run_.output += bytes.substr(0, kOutputKept - run_.output.size());
        }
      } else {
        watch_[1].fd = -1;
      }
    }
    return reported;
  }

  // Reads what is left after the child ended, for a short while at most:
  // a process it left behind may hold the pipes open.
  void Drain() {
    const long long until = MillisecondsNow() + kDrainMilliseconds;
    bool waiting = false;
    while ((watch_[0].fd >= 0 || watch_[1].fd >= 0) && MillisecondsNow() < until) {
      if (poll(watch_, 2, 0) <= 0) return;
      Read(0, waiting);
    }
  }

 private:
  static constexpr std::size_t kGulp = 16384;

  ChildRun& run_;
  const ChannelSink& sink_;
  pollfd watch_[2];
  std::size_t last_read_ = 0;
};

// This process's environment with the channel announced (any older
// announcement dropped).
std::vector<std::string> ChildEnvironment() {
  const std::string prefix = std::string(kChannelVariable) + "=";
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, prefix.c_str(), prefix.size()) != 0) variables.push_back(*variable);
  }
  variables.push_back(prefix + std::to_string(kChildChannel));
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
// gone (the tool is their subreaper).
std::vector<pid_t> AdoptedProcesses() {
  std::vector<pid_t> adopted;
  const std::string self = std::to_string(getpid());
  std::ifstream children("/proc/" + self + "/task/" + self + "/children");
  for (pid_t pid; children >> pid;) adopted.push_back(pid);
  return adopted;
}

// Ends what is left of the child's tree; true when anything was left.
bool EndLeftovers(pid_t group) {
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

ChildRun RunInChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                    const ChannelSink& sink) {
  ChildRun run;
  Pipe channel;
  Pipe output;
  if (!MakePipe(channel) || !MakePipe(output)) {
    run.start_failure = std::string("cannot make a pipe: ") + std::strerror(errno);
    return run;
  }
  // Above the descriptors the child's dup2 calls write to.
  Descriptor channel_write(fcntl(channel.write.get(), F_DUPFD_CLOEXEC, kChildChannel + 1));
  channel.write.Close();

  std::vector<std::string> words = {"/proc/self/exe"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const std::vector<char*> argv = Pointers(words);
  std::vector<std::string> variables = ChildEnvironment();
  const std::vector<char*> environment = Pointers(variables);

  SpawnSetup setup;
  Configure(setup, terms, output.write.get(), channel_write.get());
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &setup.actions, &setup.attributes, argv.data(),
                                  environment.data());
  channel_write.Close();
  output.write.Close();
  if (spawned != 0) {
    run.start_failure = std::string("cannot start a child process: ") + std::strerror(spawned);
    return run;
  }
  run.started = true;

  ChildPipes pipes(channel.read.get(), output.read.get(), run, sink);
  const long long limit_ms = static_cast<long long>(terms.limit_seconds) * 1000;
  long long deadline = MillisecondsNow() + limit_ms;
  long long last_look = MillisecondsNow();
  bool said_waiting = false;
  int status = 0;
  while (true) {
    // Time spent waiting for input of its own is not the child's.
    const bool waiting = said_waiting && terms.may_wait_for_input;
    const long long now = MillisecondsNow();
    if (waiting) deadline += now - last_look;
    last_look = now;
    const long long left = deadline - now;
    const int slice = waiting ? 50 : static_cast<int>(left < 0 ? 0 : left < 50 ? left : 50);
    if (pipes.Read(slice, said_waiting) && terms.limit == TimeLimit::kBetweenReports) {
      deadline = MillisecondsNow() + limit_ms;
    }
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    if (!(said_waiting && terms.may_wait_for_input) && MillisecondsNow() >= deadline) {
      run.timed_out = true;
      kill(-child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
  }
  pipes.Drain();
  run.left_processes = EndLeftovers(child) && !run.timed_out;
  if (!run.timed_out) RecordEnd(status, run);
  return run;
}

std::optional<std::uint64_t> TakeChannelOfThisChild() {
  const char* announced = std::getenv(kChannelVariable);
  if (announced == nullptr) return std::nullopt;
  const ParsedWholeNumber channel = ParseWholeNumber(announced, 0, 1 << 20);
  unsetenv(kChannelVariable);
  if (!channel.problem.empty()) return std::nullopt;
  return static_cast<std::uint64_t>(channel.value);
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

void EndProcessOnCrash() {
  // Signals already end the process and show in its wait status.
}

void PrepareToolProcess() {
  signal(SIGPIPE, SIG_IGN);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
}
