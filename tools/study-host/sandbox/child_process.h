// Running this program again as a child process, so that a module which
// crashes, hangs or forks takes down only the child. The child reports on a
// channel of the tool's own (a pipe it inherits, announced in its
// environment), each frame carrying a secret the tool hands it on a second
// pipe before it loads anything; never on its standard output or error:
// those belong to the module, and go to a file the tool reads afterwards,
// so that however much the module prints costs it no time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The exit code of a child whose channel was closed under it (by the
// module), so the tool can say so.
inline constexpr int kChildLostItsChannel = 86;

// The environment variable that announces the channel to a child.
inline constexpr char kChannelVariable[] = "STUDY_HOST_CHILD_CHANNEL";

// How the time limit applies: to the child's whole run, or to each stretch
// without news on the channel.
enum class TimeLimit { kWholeRun, kBetweenReports };

// What a child is allowed.
struct ChildTerms {
  int limit_seconds = 10;
  TimeLimit limit = TimeLimit::kWholeRun;
  // The child may say it waits for input of its own (a session that is slow
  // to come), which suspends the limit until it says it has read.
  bool may_wait_for_input = false;
  // Its standard input is the tool's own (a session read from "-"), not
  // an empty one.
  bool reads_tool_input = false;
  // It runs in an empty folder of its own, removed once it ended, so that
  // nothing it writes is left in the user's folder.
  bool own_working_folder = false;
  // Variables of its environment set to a value, or removed (no value).
  std::vector<std::pair<std::string, std::optional<std::string>>> environment = {};
};

// Receives what the child writes on the channel, as it arrives. Returns true
// when the child now waits for input of its own, as it said last.
using ChannelSink = std::function<bool(std::string_view bytes)>;

struct ChildRun {
  bool started = false;
  std::string start_failure;            // why it could not be started
  bool timed_out = false;               // ended by the tool at the time limit
  bool crashed = false;                 // ended by a signal or an unhandled exception
  std::string crash;                    // "signal 11, Segmentation fault", "exception 0xC0000005"
  int exit_code = 0;                    // when it exited on its own
  bool left_processes = false;          // a process of its tree was still running after it ended
  bool channel_closed = false;          // it closed the channel and went on running
  std::string output;                   // the start of what it wrote on standard output and error
  std::uint64_t output_bytes = 0;       // how much it wrote there in all
  std::vector<std::string> files_made;  // in its own working folder, before it was removed
};

// Runs this program with `arguments`, the channel announced in its
// environment and `secret` handed to it, standard input empty (or the
// tool's, by its terms) and standard output and error captured. When it
// ends, or at the time limit, its whole process tree is ended; so it is when
// the tool is ended by a signal.
ChildRun RunChildProcess(const std::vector<std::string>& arguments, const ChildTerms& terms,
                         const std::string& secret, const ChannelSink& sink);

struct ChildChannel {
  std::uint64_t report = 0;  // the channel to write frames on
  std::string secret;        // what every frame starts with
};

// In a child started by RunChildProcess: the channel to report on and the run's
// secret, taken from the environment and the secret's pipe (both removed,
// so nothing the child loads or starts finds them there); none in any other
// process. On Linux the child also ends itself when the tool dies.
std::optional<ChildChannel> TakeChannelOfThisChild();

// In a child: writes `bytes` to the channel; false when it cannot.
bool WriteToChannel(std::uint64_t channel, std::string_view bytes);

class ChannelWriter;

// In a child: a crash ends the process at once, without dialogs or
// debuggers, in a way RunChildProcess recognises; a crash from a stack
// overflow says so on `channel` first.
void EndProcessOnCrash(const ChannelWriter& channel);

// In a child: the tool's crash handler before any a module may have added
// since (on Windows, the first vectored exception handler again).
void PutCrashHandlerFirst();

// In a child, on a thread it starts: a stack overflow on this thread is
// told as such too (the main thread is ready from EndProcessOnCrash on).
void PrepareThreadForCrash();

// The words for a crash from a stack overflow, from a jump into memory
// that holds no code, and from a call through a null pointer (a jump into
// the first page, which nothing ever maps).
inline constexpr char kStackOverflow[] = "stack overflow";
inline constexpr char kRanCodeThatIsGone[] =
    "it ran code where none is loaded, as a module's once it is unloaded";
inline constexpr char kCalledNullPointer[] =
    "it called through a null pointer, as a call of a service the host did not give does";
inline constexpr std::uintptr_t kFirstPageEnd = 4096;

// In the tool itself: a failed write to a closed pipe is an error to report,
// not a signal that ends the tool; and processes a child leaves behind
// remain visible to the tool.
void PrepareToolProcess();
