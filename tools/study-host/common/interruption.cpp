#include "tools/study-host/common/interruption.h"

#include <atomic>
#include <csignal>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

std::atomic<int> interrupting_event{0};  // the event plus one; 0 while none came
static_assert(std::atomic<int>::is_always_lock_free, "noted from a signal handler");

#if defined(_WIN32)
// A console stopped by Ctrl+C ends its programs with STATUS_CONTROL_C_EXIT.
constexpr int kInterruptedExitCode = static_cast<int>(0xC000013A);

std::string HowStopped(int event) {
  switch (event) {
    case CTRL_C_EVENT:
      return "Ctrl+C";
    case CTRL_BREAK_EVENT:
      return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
      return "its console window closing";
    case CTRL_LOGOFF_EVENT:
      return "the user logging off";
    default:
      return "Windows shutting down";
  }
}

int ExitCodeFor(int /*event*/) {
  return kInterruptedExitCode;
}
#else
std::string HowStopped(int signal_number) {
  switch (signal_number) {
    case SIGINT:
      return "Ctrl+C";
    case SIGTERM:
      return "a request to end (SIGTERM)";
    case SIGHUP:
      return "its terminal closing (SIGHUP)";
    case SIGQUIT:
      return "Ctrl+\\ (SIGQUIT)";
    default:
      return "signal " + std::to_string(signal_number);
  }
}

// A shell's convention: 128 plus the signal's number.
int ExitCodeFor(int signal_number) {
  return 128 + signal_number;
}
#endif

}  // namespace

bool NoteInterruption(int event) noexcept {
  int none = 0;
  return interrupting_event.compare_exchange_strong(none, event + 1);
}

bool WasInterrupted() noexcept {
  return interrupting_event.load() != 0;
}

void ThrowIfInterrupted() {
  const int noted = interrupting_event.load();
  if (noted == 0) return;
  throw Interruption{ExitCodeFor(noted - 1), HowStopped(noted - 1)};
}
