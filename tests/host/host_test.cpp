// The stand-in host's watchers: whose use of a capability counts, and how a
// change to the process is found and put in words.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <locale>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include "host/address_sanitizer.h"
#include "host/capability_calls.h"
#include "host/library_data_watch.h"
#include "host/module_file.h"
#include "host/per_thread.h"
#include "host/process_census.h"
#include "host/runtime_library_names.h"
#include "host/thread_census.h"
#include "host/thread_with_stack.h"

namespace {

using capability_calls::Capability;
using capability_calls::ModuleCode;

TEST(CapabilityCallsTest, OnlyModuleCodeCountsNotTheToolsOwnLoadOfIt) {
  const struct {
    const char* name;
    std::optional<ModuleCode> running;  // none: the tool's own code
    Capability capability;
    int library_loads;  // loads in progress, the one noted included
    std::vector<std::string> uses;
  } cases[] = {
      {"the tool reads the environment", std::nullopt, Capability::kEnvironment, 0, {}},
      {"a call reads the environment",
       ModuleCode::kCall,
       Capability::kEnvironment,
       0,
       {"read the environment variable 'ZR'"}},
      {"a call opens a socket",
       ModuleCode::kCall,
       Capability::kNetwork,
       0,
       {"used the network (ZR)"}},
      {"the tool loads the module", ModuleCode::kLoad, Capability::kLibrary, 1, {}},
      {"the module loads a library as it loads",
       ModuleCode::kLoad,
       Capability::kLibrary,
       2,
       {"loaded the library 'ZR'"}},
      {"a call loads a library",
       ModuleCode::kCall,
       Capability::kLibrary,
       1,
       {"loaded the library 'ZR'"}},
      {"unloading opens a file",
       ModuleCode::kUnload,
       Capability::kFile,
       0,
       {"opened the file 'ZR'"}},
  };
  for (const auto& c : cases) {
    {
      std::optional<capability_calls::ModuleCodeScope> module_code;
      if (c.running) module_code.emplace(*c.running);
      std::vector<std::optional<capability_calls::LibraryLoadScope>> loads(c.library_loads);
      for (auto& load : loads) load.emplace();
      capability_calls::Note(c.capability, "ZR");
      capability_calls::Note(c.capability, "a second use of the same kind");
    }
    EXPECT_EQ(capability_calls::TakeUses(), c.uses) << c.name;
  }
  EXPECT_TRUE(capability_calls::TakeUses().empty());
}

// Each value is the thread's own, zero until set there; reading or setting
// it leaves the thread's last error (on Windows) as the module left it.
TEST(PerThreadTest, EachThreadHasItsOwnValueAndKeepsItsLastError) {
  using Counted = PerThread<int, struct CountedTag>;
  using Named = PerThread<const char*, struct NamedTag>;
  Counted::Set(7);
  Named::Set("main");
  int other_counted = -1;
  const char* other_named = "unread";
  std::thread([&] {
    other_counted = Counted::Get();
    other_named = Named::Get();
    Counted::Set(9);
  }).join();
  EXPECT_EQ(other_counted, 0);
  EXPECT_EQ(other_named, nullptr);
  EXPECT_EQ(Counted::Get(), 7);
  EXPECT_STREQ(Named::Get(), "main");
#if defined(_WIN32)
  SetLastError(1234);
  Counted::Set(Counted::Get() + 1);
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(Counted::Get(), 8);
#endif
}

// Each change made to this very process, as a module could make it, is named
// by the census, and nothing else is; undone, the census is as before.
TEST(ProcessCensusTest, NamesEachChangeToTheProcessByWhatItIs) {
  struct Change {
    const char* name;
    std::function<void()> make;
    std::function<void()> undo;
    std::string words;  // what the change's line must hold
  };
  std::terminate_handler terminate = nullptr;
#if defined(_WIN32)
  HANDLE kept = nullptr;
  DWORD slot = 0;
  DWORD_PTR affinity = 0;
  const Change changes[] = {
      {"working folder", [] { SetCurrentDirectoryW(L"C:\\"); },
       [before = std::filesystem::current_path()] { std::filesystem::current_path(before); },
       "the working folder changed from "},
      {"environment", [] { SetEnvironmentVariableW(L"STUDY_CENSUS", L"1"); },
       [] { SetEnvironmentVariableW(L"STUDY_CENSUS", nullptr); },
       "the environment gained STUDY_CENSUS=1"},
      {"named mutex", [&kept] { kept = CreateMutexW(nullptr, FALSE, L"study-census-guard"); },
       [&kept] { CloseHandle(kept); }, "holds the named object Mutant"},
      // Kept past a run of handles closed since: no count or table size
      // the system tells may end the search for it early.
      {"named mutex past closed handles",
       [&kept] {
         std::vector<HANDLE> closed_later;
         for (int opened = 0; opened < 300; ++opened) {
           closed_later.push_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
         }
         kept = CreateMutexW(nullptr, FALSE, L"study-census-far-guard");
         for (const HANDLE handle : closed_later) CloseHandle(handle);
       },
       [&kept] { CloseHandle(kept); }, "holds the named object Mutant"},
      {"thread priority", [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST); },
       [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); },
       "the calling thread's priority changed from 0 to 2"},
      {"error mode", [] { SetErrorMode(GetErrorMode() ^ SEM_NOGPFAULTERRORBOX); },
       [mode = GetErrorMode()] { SetErrorMode(mode); }, "the process's error mode changed"},
      {"DLL folder", [] { SetDllDirectoryW(L"C:\\"); }, [] { SetDllDirectoryW(nullptr); },
       "the process's DLL search folder (SetDllDirectory) changed from none to 'C:\\'"},
      {"file functions' code page", [] { return SetFileApisToOEM(), true; },
       [] { SetFileApisToANSI(); },
       "the process's file functions' code page changed from ANSI to OEM"},
      {"thread-local slot", [&slot] { slot = TlsAlloc(); }, [&slot] { TlsFree(slot); },
       "the number of thread-local slots free (TlsAlloc) changed"},
      {"thread affinity", [&affinity] { affinity = SetThreadAffinityMask(GetCurrentThread(), 1); },
       [&affinity] { SetThreadAffinityMask(GetCurrentThread(), affinity); },
       "the calling thread's processor affinity changed"},
      // The C runtime's own abort, in its image (&std::abort here is a stub
      // in the program's, where the default handler is too).
      {"terminate handler",
       [&terminate] {
         terminate = std::set_terminate(reinterpret_cast<std::terminate_handler>(
             GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "abort")));
       },
       [&terminate] { std::set_terminate(terminate); },
       "the C++ terminate handler (std::set_terminate) changed"},
  };
#else
  std::atomic<bool> stop{false};
  std::thread worker;
  int descriptor = -1;
  pthread_key_t key{};
  locale_t own_locale = nullptr;
  // A thread of the host's that lives through every row: its attributes are
  // any thread's.
  std::atomic<pid_t> waiter{0};
  std::atomic<bool> waiter_done{false};
  std::thread waiting([&] {
    waiter = static_cast<pid_t>(syscall(SYS_gettid));
    while (!waiter_done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (waiter.load() == 0) std::this_thread::yield();
  struct JoinWaiting {
    std::atomic<bool>& done;
    std::thread& thread;
    ~JoinWaiting() {
      done = true;
      thread.join();
    }
  } join_waiting{waiter_done, waiting};
  const Change changes[] = {
      {"working folder", [] { static_cast<void>(chdir("/")); },
       [before = std::filesystem::current_path()] { std::filesystem::current_path(before); },
       "the working folder changed from "},
      {"environment", [] { setenv("STUDY_CENSUS", "1", 1); }, [] { unsetenv("STUDY_CENSUS"); },
       "the environment gained STUDY_CENSUS=1"},
      {"locale", [] { std::setlocale(LC_NUMERIC, "C.UTF-8"); },
       [] { std::setlocale(LC_NUMERIC, "C"); }, "the locale LC_NUMERIC changed from C to C.UTF-8"},
      {"descriptor", [&descriptor] { descriptor = open("/dev/null", O_RDONLY); },
       [&descriptor] { close(descriptor); }, "open: the file /dev/null"},
      {"thread",
       [&] {
         worker = std::thread([&stop] {
           while (!stop) std::this_thread::yield();
         });
       },
       [&] {
         stop = true;
         worker.join();
         AwaitJoinedThreadsGone(0);
       },
       "a thread of its own runs (id "},
      {"signal mask",
       [] {
         sigset_t blocked;
         sigemptyset(&blocked);
         sigaddset(&blocked, SIGUSR1);
         pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
       },
       [] {
         sigset_t blocked;
         sigemptyset(&blocked);
         sigaddset(&blocked, SIGUSR1);
         pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
       },
       "the calling thread's signal mask changed from none blocked to SIGUSR1 blocked"},
      {"signal disposition", [] { signal(SIGUSR2, SIG_IGN); }, [] { signal(SIGUSR2, SIG_DFL); },
       "the handling of SIGUSR2 (signal 12) changed from the default"},
      {"umask", [] { umask(077); }, [] { umask(022); },
       "the process's umask changed from 0022 to 0077"},
      {"interval timer",
       [] {
         itimerval armed{};
         armed.it_value.tv_sec = 1000;
         setitimer(ITIMER_VIRTUAL, &armed, nullptr);
       },
       [] {
         const itimerval disarmed{};
         setitimer(ITIMER_VIRTUAL, &disarmed, nullptr);
       },
       "left the virtual interval timer (setitimer) armed (once)"},
      {"per-thread key", [&key] { pthread_key_create(&key, nullptr); },
       [&key] { pthread_key_delete(key); },
       "the number of per-thread keys in use (pthread_key_create) changed"},
      {"thread's own locale",
       [&own_locale] {
         own_locale = newlocale(LC_ALL_MASK, "C", nullptr);
         uselocale(own_locale);
       },
       [&own_locale] {
         uselocale(LC_GLOBAL_LOCALE);
         freelocale(own_locale);
       },
       "the calling thread's locale (uselocale) changed from the process's global locale to a "
       "locale of its own"},
      {"timer slack", [] { prctl(PR_SET_TIMERSLACK, 4321); }, [] { prctl(PR_SET_TIMERSLACK, 0); },
       "the calling thread's timer slack changed from"},
      {"another thread's scheduling",
       [&waiter] {
         const sched_param none{};
         sched_setscheduler(waiter.load(), SCHED_BATCH, &none);
       },
       [&waiter] {
         const sched_param none{};
         sched_setscheduler(waiter.load(), SCHED_OTHER, &none);
       },
       "the scheduling of thread id "},
      {"C++ stream format", [] { std::cout << std::fixed << std::setprecision(2); },
       [] { std::cout << std::defaultfloat << std::setprecision(6); },
       "std::cout changed from dec skipws, precision 6"},
      {"terminate handler", [&terminate] { terminate = std::set_terminate(&std::abort); },
       [&terminate] { std::set_terminate(terminate); },
       "the C++ terminate handler (std::set_terminate) changed from"},
  };
#endif
  const ProcessCensus before = TakeProcessCensus();
  EXPECT_EQ(CensusChangeWords(before, TakeProcessCensus(), CensusScope::kWhole), "");
  for (const Change& change : changes) {
    change.make();
    const std::string words = CensusChangeWords(before, TakeProcessCensus(), CensusScope::kWhole);
    change.undo();
    EXPECT_NE(words.find(change.words), std::string::npos) << change.name << ": " << words;
    EXPECT_EQ(CensusChangeWords(before, TakeProcessCensus(), CensusScope::kWhole), "")
        << change.name << " undone";
  }
}

template <typename Value>
void Put(std::string& bytes, std::size_t at, Value value) {
  if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// A Linux library's headers: its class, type and processor, and one
// loadable segment of `segment` bytes.
std::string Elf(char elf_class, std::uint16_t type, std::uint16_t machine, std::uint64_t segment) {
  std::string bytes(
      "\x7f"
      "ELF",
      4);
  bytes += std::string{elf_class, 1, 1};
  Put(bytes, 16, type);
  Put(bytes, 18, machine);
  Put(bytes, 32, std::uint64_t{64});  // program headers right after this one
  Put(bytes, 54, std::uint16_t{56});
  Put(bytes, 56, std::uint16_t{1});
  Put(bytes, 64, std::uint32_t{1});  // loadable
  Put(bytes, 64 + 32, segment);
  return bytes;
}

// A Windows image's headers: its processor, whether it is a DLL, and one
// section of `section` bytes at 512.
std::string Pe(std::uint16_t machine, bool dll, std::uint32_t section) {
  std::string bytes = "MZ";
  Put(bytes, 0x3C, std::uint32_t{64});
  Put(bytes, 64, std::uint32_t{0x00004550});
  Put(bytes, 68, machine);
  Put(bytes, 70, std::uint16_t{1});
  Put(bytes, 86, static_cast<std::uint16_t>(dll ? 0x2000 : 0x0002));
  Put(bytes, 88 + 16, section);
  Put(bytes, 88 + 20, std::uint32_t{512});
  return bytes;
}

TEST(ModuleFileTest, SaysWhatIsWrongBeforeTheLoaderTries) {
  const std::string damaged =
      "is damaged or incomplete: its headers describe more than the file holds (download it "
      "again; the zip's SHA256SUMS.txt tells a whole file)";
  const struct {
    const char* name;
    std::string start;
    std::uint64_t size;
    std::string problem;
  } cases[] = {
#if defined(_WIN32)
    {"a whole DLL", Pe(0x8664, true, 512), 1024, ""},
    {"half a DLL", Pe(0x8664, true, 512), 700, damaged},
    {"a 32-bit DLL", Pe(0x14C, true, 512), 1024,
     "is built for 32-bit Windows (x86), not for this computer's x86-64 processor"},
    {"a program", Pe(0x8664, false, 512), 1024, "is a Windows program, not a DLL"},
    {"a Linux library", Elf(2, 3, 62, 64), 1024,
     "is a Linux library, not a Windows DLL (the study for Windows is zrPalvessa_64.dll)"},
#else
    {"a whole library", Elf(2, 3, 62, 100), 1024, ""},
    {"half a library", Elf(2, 3, 62, 4096), 1024, damaged},
    {"for ARM", Elf(2, 3, 183, 100), 1024,
     "is built for ARM 64-bit processors (aarch64), not for this computer's x86-64 processor"},
    {"32-bit", Elf(1, 3, 3, 100), 1024,
     "is built for 32-bit processors, not for this computer's x86-64 processor"},
    {"a program", Elf(2, 2, 62, 100), 1024, "is a program, not a module (a shared library)"},
    {"a Windows DLL", Pe(0x8664, true, 512), 1024,
     "is a Windows DLL, not a Linux library (the study for Linux is zrPalvessa_64.so)"},
#endif
    {"text", "position\n0\n", 11, "is not a module: neither a Windows DLL nor a Linux library"},
    {"nothing", "", 0, "is empty: download it again"},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleFileProblem(c.start, c.size), c.problem) << c.name;
}

// Each change made to a runtime library's own data, as a module could make
// it, is found after what the libraries change by themselves is learned;
// undone, nothing is.
// Each runtime a module may import by mistake is told by its name; a name
// that only resembles one, or a system library, is none of them.
TEST(RuntimeLibraryNamesTest, TellsEachRuntimeByItsName) {
  using enum RuntimeLibraryKind;
  const struct {
    const char* name;
    RuntimeLibraryKind kind;
  } rows[] = {
      {"libstdc++-6.dll", kCompilerRuntime},
      {"libgcc_s_seh-1.dll", kCompilerRuntime},
      {"libgcc_s_dw2-1.dll", kCompilerRuntime},
      {"libwinpthread-1.dll", kCompilerRuntime},
      {"libgomp-1.dll", kCompilerRuntime},
      {"libquadmath-0.dll", kCompilerRuntime},
      {"libgcc_s_-1.dll", kOther},  // no architecture
      {"libstdc++-.dll", kOther},   // no version
      {"libstdc++-6.dll.bak", kOther},
      {"libfoo-1.dll", kOther},
      {"msvcr120d.dll", kDebugRuntime},
      {"msvcp140d.dll", kDebugRuntime},
      {"vcruntime140d.dll", kDebugRuntime},
      {"vcruntime140_1d.dll", kDebugRuntime},
      {"ucrtbased.dll", kDebugRuntime},
      {"concrt140d.dll", kDebugRuntime},
      {"msvcrd.dll", kOther},  // no version
      {"msvcr120.dll", kRedistributable},
      {"msvcp140.dll", kRedistributable},
      {"msvcp140_1.dll", kRedistributable},
      {"msvcp140_atomic_wait.dll", kRedistributable},
      {"msvcp140_codecvt_ids.dll", kRedistributable},
      {"vcruntime140.dll", kRedistributable},
      {"vcruntime140_1.dll", kRedistributable},
      {"vcruntime140_2.dll", kOther},
      {"concrt140.dll", kRedistributable},
      {"vcomp140.dll", kRedistributable},
      {"msvcp140_.dll", kOther},
      {"msvcr90.dll", kOther},
      {"msvcrt.dll", kOther},  // the system's own
      {"ucrtbase.dll", kOther},
      {"kernel32.dll", kOther},
      {"", kOther},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ClassifyRuntimeLibrary(row.name), row.kind) << row.name;
  }
}

TEST(RuntimeLibraryWatchTest, FindsEachChangeToTheRuntimeLibrariesData) {
  struct Change {
    const char* name;
    std::function<bool()> make;  // false: the library takes no such change here
    std::function<void()> undo;
    std::string library;  // the library named
  };
  const Change changes[] = {
#if defined(_WIN32)
    {"file functions' code page", [] { return SetFileApisToOEM(), true; },
     [] { SetFileApisToANSI(); }, "kernel"},
#else
    {"heap setting", [] { return mallopt(M_PERTURB, 0xA5) == 1; }, [] { mallopt(M_PERTURB, 0); },
     "libc.so.6's"},
    {"random numbers", [] { return std::srand(2683), true; }, [] { std::srand(1); }, "libc.so.6's"},
#endif
  };
  // On a thread of its own, as a check runs: the main thread's heap keeps
  // its bookkeeping in the C library's data, a thread's own heap does not.
  std::thread([&changes] {
    for (const Change& change : changes) {
      RuntimeLibraryWatch untouched([] {});
      EXPECT_TRUE(untouched.Changes().empty()) << change.name << " not made";
      RuntimeLibraryWatch watch([] {});
      if (!change.make()) {  // AddressSanitizer's heap takes no heap setting
        EXPECT_TRUE(kUnderAddressSanitizer) << change.name << " refused";
        continue;
      }
      const std::vector<std::string> found = watch.Changes();
      change.undo();
      ASSERT_FALSE(found.empty()) << change.name;
      EXPECT_NE(found.front().find(change.library), std::string::npos)
          << change.name << ": " << found.front();
    }
  }).join();
}

// Changes in one line: three shown, the rest counted.
TEST(JoinedChangeWordsTest, ShowsThreeAndCountsTheRest) {
  const struct {
    std::vector<std::string> changes;
    std::string words;
  } cases[] = {
      {{}, ""},
      {{"a"}, "a"},
      {{"a", "b", "c"}, "a; b; c"},
      {{"a", "b", "c", "d"}, "a; b; c and 1 more"},
      {{"a", "b", "c", "d", "e", "f"}, "a; b; c and 3 more"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinedChangeWords(c.changes), c.words);
}

// Memory a module maps for itself counts as private memory while it is
// mapped: writable memory no file holds (Linux), committed memory of any
// protection (Windows, as its commit charge counts it).
TEST(ProcessCensusTest, PrivateMemoryCountsWhatAModuleMapsForItself) {
  constexpr std::size_t kBytes = std::size_t{8} << 20;
  constexpr std::int64_t kSlack = std::int64_t{2} << 20;  // the test program's own moves
  const struct {
    const char* name;
    bool writable;
    bool committed;
    bool counts;
  } cases[] = {
    {"writable", true, true, true},
#if defined(_WIN32)
    {"read-only", false, true, true},
    {"reserved, not committed", true, false, false},
#else
    {"read-only", false, true, false},
#endif
  };
  for (const auto& c : cases) {
    const std::int64_t before = PrivateMemoryBytes();
#if defined(_WIN32)
    void* memory =
        VirtualAlloc(nullptr, kBytes, c.committed ? MEM_RESERVE | MEM_COMMIT : MEM_RESERVE,
                     c.writable ? PAGE_READWRITE : PAGE_READONLY);
    ASSERT_NE(memory, nullptr) << c.name;
#else
    void* memory = mmap(nullptr, kBytes, c.writable ? PROT_READ | PROT_WRITE : PROT_READ,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED) << c.name;
#endif
    const std::int64_t mapped = PrivateMemoryBytes();
#if defined(_WIN32)
    VirtualFree(memory, 0, MEM_RELEASE);
#else
    munmap(memory, kBytes);
#endif
    const std::int64_t given_back = mapped - PrivateMemoryBytes();
    const std::int64_t counted = c.counts ? static_cast<std::int64_t>(kBytes) : 0;
    EXPECT_NEAR(mapped - before, counted, kSlack) << c.name << ": mapped";
    EXPECT_NEAR(given_back, counted, kSlack) << c.name << ": given back";
  }
}

#if !defined(_WIN32)
// Work on a thread with a host's stack starts once the thread that made it
// is back from making it (until then the C library has every signal of the
// maker blocked), so what the work reads of its maker is the settled state.
TEST(ThreadWithStackTest, WorkSeesItsMakerSettled) {
  const auto main_thread_status = [] {
    std::ifstream status("/proc/self/task/" + std::to_string(getpid()) + "/status");
    std::string all((std::istreambuf_iterator<char>(status)), std::istreambuf_iterator<char>());
    const std::size_t start = all.find("SigBlk:");
    return all.substr(start, all.find('\n', start) - start);
  };
  ASSERT_EQ(syscall(SYS_gettid), getpid()) << "runs on the main thread";
  const std::string settled = main_thread_status();
  for (int run = 0; run < 1000; ++run) {
    std::string seen;
    ASSERT_TRUE(RunOnThreadWithStack(kHostThreadStackBytes, [&] { seen = main_thread_status(); }));
    ASSERT_EQ(seen, settled) << "run " << run;
  }
}
#endif

}  // namespace
