#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "child_process.h"

extern char** environ;

namespace {

long long MillisecondsNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reads the child's output until it closes it or the deadline passes.
bool ReadUntilClosed(int fd, std::string& output, long long deadline) {
  char buffer[4096];
  while (true) {
    const long long left = deadline - MillisecondsNow();
    if (left <= 0) return false;
    pollfd watch{fd, POLLIN, 0};
    const int ready = poll(&watch, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return ready == 0 ? false : true;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    output.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

ChildOutcome RunThisProgram(const std::vector<std::string>& arguments, int timeout_seconds) {
  ChildOutcome outcome;
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) {
    outcome.failure = std::string("pipe: ") + std::strerror(errno);
    return outcome;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);

  std::string program = "/proc/self/exe";
  std::vector<char*> argv;
  argv.push_back(program.data());
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    outcome.failure = std::string("cannot start a child process: ") + std::strerror(spawned);
    return outcome;
  }
  outcome.started = true;
  const long long deadline = MillisecondsNow() + timeout_seconds * 1000LL;
  if (!ReadUntilClosed(pipe_ends[0], outcome.output, deadline)) {
    kill(child, SIGKILL);
    outcome.timed_out = true;
  }
  close(pipe_ends[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (outcome.timed_out) return outcome;
  if (WIFSIGNALED(status)) {
    outcome.crashed = true;
    const int signal_number = WTERMSIG(status);
    outcome.failure = "signal " + std::to_string(signal_number) + " (" +
                      std::string(strsignal(signal_number)) + ")";
  } else {
    outcome.exit_code = WEXITSTATUS(status);
  }
  return outcome;
}

void EndProcessOnCrash() {
  // Signals already end the process and show in its wait status.
}
