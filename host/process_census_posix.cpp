// Linux: the census read from the kernel's own accounts (/proc, the system
// calls that report a state), not from any library's bookkeeping.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/personality.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/former_images.h"
#include "host/process_census.h"

extern char** environ;

namespace {

std::string Hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%zx", static_cast<std::size_t>(value));
  return text;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a descriptor refers to, as the kernel names it, without the inode
// numbers that tell two pipes apart.
std::string DescriptorTarget(const std::string& target) {
  if (target.rfind("socket:", 0) == 0) return "a socket";
  if (target.rfind("pipe:", 0) == 0) return "a pipe";
  if (target.rfind("anon_inode:", 0) == 0) return "a kernel object (" + target.substr(11) + ")";
  return "the file " + target;
}

void AddDescriptors(ProcessCensus& census) {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) return;
  const int own = dirfd(folder);
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length < 0) continue;
    target[length] = '\0';
    census.Add(CensusKind::kDescriptor, entry->d_name, DescriptorTarget(target));
  }
  closedir(folder);
}

// The fields of a thread's stat line after its name (the first is its
// state, the third field of the line).
std::vector<std::string> StatFields(const std::string& task) {
  std::ifstream stat("/proc/self/task/" + task + "/stat");
  std::string line;
  std::getline(stat, line);
  std::vector<std::string> fields;
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return fields;
  std::istringstream rest(line.substr(name_end + 1));
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

std::string TaskStatus(const std::string& task, const char* field) {
  std::ifstream status("/proc/self/task/" + task + "/status");
  const std::string prefix = std::string(field) + ":";
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(prefix, 0) == 0)
      return line.substr(line.find_first_not_of(" \t", prefix.size()));
  }
  return "";
}

// A thread's own attributes, each a fact: what another thread (or a module
// on the host's calling thread) can set on it.
void AddThreadAttributes(ProcessCensus& census, const std::string& task, const std::string& who) {
  const std::vector<std::string> fields = StatFields(task);
  constexpr std::size_t kNice = 16;      // field 19 of the line
  constexpr std::size_t kRealTime = 37;  // field 40
  constexpr std::size_t kPolicy = 38;    // field 41
  if (fields.size() > kPolicy) {
    census.Add(CensusKind::kThreadAttribute, "priority (nice) of " + who, fields[kNice]);
    census.Add(CensusKind::kThreadAttribute, "scheduling of " + who,
               "policy " + fields[kPolicy] + ", priority " + fields[kRealTime]);
  }
  census.Add(CensusKind::kThreadAttribute, "processors of " + who,
             TaskStatus(task, "Cpus_allowed_list"));
  census.Add(CensusKind::kThreadAttribute, "blocked signals of " + who, TaskStatus(task, "SigBlk"));
}

void AddThreads(ProcessCensus& census) {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return;
  const std::string calling = std::to_string(syscall(SYS_gettid));
  const std::string main = std::to_string(getpid());
  while (const dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string task = entry->d_name;
    std::ifstream comm("/proc/self/task/" + task + "/comm");
    std::string name;
    std::getline(comm, name);
    census.Add(CensusKind::kThread, "id " + task, "'" + name + "'");
    // The calling thread's own attributes are facts of their own.
    if (task == calling) continue;
    AddThreadAttributes(census, task,
                        task == main ? "the main thread (id " + task + ")" : "thread id " + task);
  }
  closedir(tasks);
}

// The interval timers (alarm among them) and the POSIX timers: armed, and
// how each repeats; a timer left armed ends or signals the host later.
void AddTimers(ProcessCensus& census) {
  const struct {
    int which;
    const char* name;
  } interval_timers[] = {{ITIMER_REAL, "the real-time interval timer (setitimer, alarm)"},
                         {ITIMER_VIRTUAL, "the virtual interval timer (setitimer)"},
                         {ITIMER_PROF, "the profiling interval timer (setitimer)"}};
  for (const auto& timer : interval_timers) {
    itimerval value{};
    if (getitimer(timer.which, &value) != 0) continue;
    if (value.it_value.tv_sec == 0 && value.it_value.tv_usec == 0) continue;
    census.Add(CensusKind::kTimer, timer.name,
               value.it_interval.tv_sec == 0 && value.it_interval.tv_usec == 0
                   ? "once"
                   : "every " + std::to_string(value.it_interval.tv_sec) + " s " +
                         std::to_string(value.it_interval.tv_usec) + " us");
  }
  // The kernel's own list of the process's POSIX timers.
  std::ifstream timers("/proc/self/timers");
  std::string id;
  std::string notify;
  for (std::string line; std::getline(timers, line);) {
    if (line.rfind("ID: ", 0) == 0) id = line.substr(4);
    if (line.rfind("notify: ", 0) == 0) notify = line.substr(8, line.find('/') - 8);
    if (line.rfind("ClockID: ", 0) == 0 && !id.empty()) {
      census.Add(CensusKind::kTimerObject, "POSIX timer " + id + " (timer_create)",
                 "clock " + line.substr(9) + ", notifying by " + notify);
    }
  }
}

// Per-thread keys in use: counted by taking every free one and giving them
// all back (the C library has no other account of them).
void AddPerThreadKeys(ProcessCensus& census) {
  std::vector<pthread_key_t> free_keys;
  pthread_key_t key;
  while (free_keys.size() < 100000 && pthread_key_create(&key, nullptr) == 0) {
    free_keys.push_back(key);
  }
  for (const pthread_key_t taken : free_keys) pthread_key_delete(taken);
  const long most = sysconf(_SC_THREAD_KEYS_MAX);
  census.Add(CensusKind::kPerThreadSlots, "per-thread keys in use (pthread_key_create)",
             std::to_string(most - static_cast<long>(free_keys.size())));
}

// The system's own files: its libraries (some of which it keeps loaded once
// loaded, as glibc's librt), and the C library's locale and conversion
// caches. A module's loading of one is seen as it happens; leaving one is
// the system's doing.
bool IsSystemFile(const std::string& path) {
  return path.rfind("/usr/", 0) == 0 || path.rfind("/lib", 0) == 0 || path.rfind("/etc/", 0) == 0;
}

int AddLibrary(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0' && !IsSystemFile(info->dlpi_name) &&
      std::strncmp(info->dlpi_name, "linux-vdso", 10) != 0) {
    static_cast<ProcessCensus*>(data)->Add(CensusKind::kLibrary, info->dlpi_name, "");
  }
  return 0;
}

// Memory that is no file's: anonymous mappings, private or shared, named
// or not, and the memory of a shared-memory file that lives only in memory.
bool IsAnonymous(const std::string& path) {
  return path.empty() || path.rfind("[anon:", 0) == 0 || path.rfind("/dev/zero", 0) == 0 ||
         path.rfind("/memfd:", 0) == 0 || path.rfind("/SYSV", 0) == 0 ||
         path.rfind("/dev/shm/", 0) == 0;
}

// One line of /proc/self/maps: its range, permissions and path.
struct Mapping {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::string permissions;
  std::string path;
};

template <typename Visit>
void ForEachMapping(Visit visit) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    std::istringstream fields(line);
    std::string range, offset, device, inode;
    Mapping mapping;
    fields >> range >> mapping.permissions >> offset >> device >> inode;
    std::getline(fields >> std::ws, mapping.path);
    const std::size_t dash = range.find('-');
    mapping.start = std::stoull(range.substr(0, dash), nullptr, 16);
    mapping.end = std::stoull(range.substr(dash + 1), nullptr, 16);
    visit(mapping);
  }
}

// Writable anonymous memory outside the heap (private or shared: a module
// may map either).
bool IsPrivateMemory(const Mapping& mapping) {
  return mapping.permissions.size() > 1 && mapping.permissions[1] == 'w' &&
         IsAnonymous(mapping.path);
}

// File mappings by file.
void AddMappings(ProcessCensus& census) {
  std::map<std::string, int> mappings_of;
  ForEachMapping([&](const Mapping& mapping) {
    if (!IsPrivateMemory(mapping) && !mapping.path.empty() && mapping.path[0] == '/' &&
        !IsSystemFile(mapping.path)) {
      ++mappings_of[mapping.path];
    }
  });
  for (const auto& [path, count] : mappings_of) {
    census.Add(CensusKind::kMappedFile, path, std::to_string(count) + " mappings");
  }
  census.private_memory = PrivateMemoryBytes();
}

// The environment's variables; a string a library put there itself
// (putenv) is named by where it lies, and one left pointing into memory no
// longer mapped (a module's, once unloaded) is named without being read.
void AddEnvironment(ProcessCensus& census) {
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string where = WhereAddressPoints(*variable);
    if (where.rfind("in memory no longer mapped", 0) == 0) {
      census.Add(CensusKind::kEnvironment, Hex(reinterpret_cast<std::uintptr_t>(*variable)),
                 "a string in memory no longer mapped (put there with putenv: it dangles once "
                 "its module is unloaded)");
      continue;
    }
    const std::string lies = where == "in other memory" ? "" : " (a string " + where + ")";
    const char* equals = std::strchr(*variable, '=');
    if (equals == nullptr) {
      census.Add(CensusKind::kEnvironment, *variable, lies);
    } else {
      census.Add(CensusKind::kEnvironment,
                 std::string(*variable, static_cast<std::size_t>(equals - *variable)),
                 std::string(equals + 1) + lies);
    }
  }
}

std::string SignalSubject(int signal_number) {
  const char* name = sigabbrev_np(signal_number);
  return (name != nullptr ? "SIG" + std::string(name) : "signal") + " (signal " +
         std::to_string(signal_number) + ")";
}

void AddSignals(ProcessCensus& census) {
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    struct sigaction action {};
    if (sigaction(signal_number, nullptr, &action) != 0) continue;
    const void* handler = (action.sa_flags & SA_SIGINFO) != 0
                              ? reinterpret_cast<const void*>(action.sa_sigaction)
                              : reinterpret_cast<const void*>(action.sa_handler);
    // The C library's own restorer flag says nothing of the handling.
    constexpr unsigned kRestorer = 0x04000000;
    std::string state;
    if (action.sa_handler == SIG_DFL) {
      state = "the default";
    } else if (action.sa_handler == SIG_IGN) {
      state = "ignored";
    } else {
      state = "a handler " + WhereAddressPoints(handler) + " at " +
              Hex(reinterpret_cast<std::uintptr_t>(handler)) + ", flags " +
              Hex(static_cast<unsigned>(action.sa_flags) & ~kRestorer);
    }
    census.Add(CensusKind::kSignal, SignalSubject(signal_number), state);
  }
}

std::string StatusLine(const char* field) {
  std::ifstream status("/proc/self/status");
  const std::string prefix = std::string(field) + ":";
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size() + 1);
  }
  return "";
}

void AddProcessAttributes(ProcessCensus& census) {
  census.Add(CensusKind::kProcess, "umask", StatusLine("Umask"));
  const struct {
    int resource;
    const char* name;
  } limits[] = {{RLIMIT_AS, "address space"},     {RLIMIT_CORE, "core dump size"},
                {RLIMIT_CPU, "CPU time"},         {RLIMIT_DATA, "data size"},
                {RLIMIT_FSIZE, "file size"},      {RLIMIT_NOFILE, "open files"},
                {RLIMIT_NPROC, "processes"},      {RLIMIT_STACK, "stack size"},
                {RLIMIT_MEMLOCK, "locked memory"}};
  for (const auto& limit : limits) {
    rlimit value{};
    if (getrlimit(limit.resource, &value) != 0) continue;
    census.Add(CensusKind::kProcess, std::string("limit of ") + limit.name,
               std::to_string(value.rlim_cur) + " of " + std::to_string(value.rlim_max));
  }
  census.Add(CensusKind::kProcess, "dumpable flag", std::to_string(prctl(PR_GET_DUMPABLE)));
  census.Add(CensusKind::kProcess, "personality",
             Hex(static_cast<unsigned>(personality(0xffffffff))));
  int subreaper = 0;
  prctl(PR_GET_CHILD_SUBREAPER, &subreaper);
  census.Add(CensusKind::kProcess, "child subreaper flag", std::to_string(subreaper));
}

std::string BlockedSignals() {
  sigset_t blocked;
  pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
  std::string names;
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (sigismember(&blocked, signal_number) != 1) continue;
    const char* name = sigabbrev_np(signal_number);
    names += (names.empty() ? "" : ", ") +
             (name != nullptr ? "SIG" + std::string(name) : std::to_string(signal_number));
  }
  return names.empty() ? "none blocked" : names + " blocked";
}

void AddCallingThread(ProcessCensus& census) {
  census.Add(CensusKind::kCallingThread, "signal mask", BlockedSignals());
  stack_t alternate{};
  sigaltstack(nullptr, &alternate);
  census.Add(CensusKind::kCallingThread, "alternate signal stack",
             (alternate.ss_flags & SS_DISABLE) != 0
                 ? "none"
                 : std::to_string(alternate.ss_size) + " bytes " +
                       WhereAddressPoints(alternate.ss_sp) + " at " +
                       Hex(reinterpret_cast<std::uintptr_t>(alternate.ss_sp)));
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  census.Add(CensusKind::kCallingThread, "priority (nice)",
             std::to_string(getpriority(PRIO_PROCESS, thread)));
  sched_param parameters{};
  int policy = 0;
  pthread_getschedparam(pthread_self(), &policy, &parameters);
  census.Add(CensusKind::kCallingThread, "scheduling",
             "policy " + std::to_string(policy) + ", priority " +
                 std::to_string(parameters.sched_priority));
  char name[16] = {};
  prctl(PR_GET_NAME, name);
  census.Add(CensusKind::kCallingThread, "name", std::string("'") + name + "'");
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  sched_getaffinity(0, sizeof cpus, &cpus);
  census.Add(CensusKind::kCallingThread, "processors", std::to_string(CPU_COUNT(&cpus)));
  census.Add(CensusKind::kCallingThread, "timer slack",
             std::to_string(prctl(PR_GET_TIMERSLACK)) + " ns");
  const locale_t own = uselocale(static_cast<locale_t>(nullptr));
  census.Add(CensusKind::kCallingThread, "locale (uselocale)",
             own == LC_GLOBAL_LOCALE
                 ? "the process's global locale"
                 : "a locale of its own, at " + Hex(reinterpret_cast<std::uintptr_t>(own)));
}

}  // namespace

// A C stream as the C library holds it: buffering (its flags' bits, as
// glibc keeps them), its buffer, its orientation, and its descriptor's
// flags.
std::string StandardStreamState(std::FILE* stream) {
  constexpr int kUnbuffered = 0x0002;
  constexpr int kLineBuffered = 0x0200;
  std::string state = (stream->_flags & kUnbuffered) != 0     ? "unbuffered"
                      : (stream->_flags & kLineBuffered) != 0 ? "line-buffered"
                                                              : "fully buffered";
  // The C library gives a stream its buffer at its first write: no buffer
  // yet and one on the heap are both its own.
  const void* buffer = stream->_IO_buf_base;
  const std::string where = buffer == nullptr ? "" : WhereAddressPoints(buffer);
  state += where.empty() || where == "in other memory" ? ", the C library's own buffer"
                                                       : ", its buffer " + where;
  // A stream takes its orientation at its first write, narrow for a
  // narrow write; a wide one is a choice, which the host's own writes break.
  if (fwide(stream, 0) > 0) state += ", wide";
  const int flags = fcntl(fileno(stream), F_GETFL);
  state += ", descriptor flags " + Hex(static_cast<unsigned>(flags < 0 ? 0 : flags));
  return state;
}

std::int64_t PrivateMemoryBytes() {
  std::int64_t bytes = 0;
  ForEachMapping([&](const Mapping& mapping) {
    if (IsPrivateMemory(mapping)) bytes += static_cast<std::int64_t>(mapping.end - mapping.start);
  });
  return bytes;
}

void AddPlatformFacts(ProcessCensus& census) {
  AddDescriptors(census);
  AddThreads(census);
  dl_iterate_phdr(&AddLibrary, &census);
  AddMappings(census);
  AddEnvironment(census);
  AddSignals(census);
  AddProcessAttributes(census);
  AddTimers(census);
  AddPerThreadKeys(census);
  AddCallingThread(census);
}

bool AddressInLoadedModule(const void* address) {
  if (address == nullptr || address == reinterpret_cast<const void*>(SIG_IGN)) return true;
  Dl_info found{};
  return dladdr(address, &found) != 0;
}

std::string WhereAddressPoints(const void* address) {
  Dl_info found{};
  Dl_info program{};
  dladdr(reinterpret_cast<const void*>(&WhereAddressPoints), &program);
  if (dladdr(address, &found) != 0 && found.dli_fname != nullptr) {
    if (found.dli_fbase == program.dli_fbase) return "in the program's own image";
    return "in " + FileName(found.dli_fname) + "'s image";
  }
  // mincore fails with ENOMEM on a page that is not mapped.
  const std::string former = FormerImageAt(address);
  const long page = sysconf(_SC_PAGESIZE);
  void* start = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address) &
                                        ~static_cast<std::uintptr_t>(page - 1));
  unsigned char resident = 0;
  if (mincore(start, static_cast<std::size_t>(page), &resident) != 0 && errno == ENOMEM) {
    return former.empty() ? "in memory no longer mapped"
                          : "in memory no longer mapped (" + former + ")";
  }
  if (!former.empty()) return "in " + former + ", mapped again since";
  return "in other memory";
}
