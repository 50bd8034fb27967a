// Study modules with one deliberate fault each, built to prove that
// study-host finds what it claims to find and cannot be fooled. The code of
// every fault is here, built once; each module's own file
// (faulty_exports.cpp) names its fault and holds its exports, and the few
// pieces that change what a module imports. Everything else is the real
// study.
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "interface/input_slots.h"
#include "platform/process_heap.h"
#include "study/order_quantity_study.h"
#include "study/study_inputs.h"
#include "tests/faulty-modules/fault.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#else
#include <alloca.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#endif

namespace faulty {
namespace {

const Fault kFault = faulty_module_fault;

// Runs a piece of the module's own file, when it holds one.
void Run(void (*piece)()) {
  if (piece != nullptr) piece();
}

[[noreturn]] void Crash() {
#if defined(_WIN32)
  RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#else
  std::raise(SIGSEGV);
#endif
  std::abort();
}

[[noreturn]] void HangForever() {
  for (;;) {
#if defined(_WIN32)
    Sleep(1000);
#else
    sleep(1);
#endif
  }
}

// Writes `megabytes` of debug lines on standard output, a megabyte of
// lines at a time, as a logger flushing its buffer does: on Windows to the
// standard output handle itself (the C runtime's text mode would split each
// megabyte into writes of a kilobyte, a second a load under wine). No
// function-local static: its guard would start the threads library linked
// into a DLL, whose per-thread handles and slot a DLL never gives back
// (validate rightly fails that).
[[maybe_unused]] void PrintMegabytes(int megabytes) {
  constexpr std::size_t kLine = 1024;
  std::vector<char> lines(1024 * kLine, 'x');
  for (std::size_t end = kLine - 1; end < lines.size(); end += kLine) lines[end] = '\n';
  for (int written = 0; written < megabytes; ++written) {
#if defined(_WIN32)
    DWORD bytes_written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), lines.data(), static_cast<DWORD>(lines.size()),
              &bytes_written, nullptr);
#else
    std::fwrite(lines.data(), 1, lines.size(), stdout);
#endif
  }
}

// The crash handler leaves_crash_handler installs: code of the module's own.
#if defined(_WIN32)
[[maybe_unused]] LONG WINAPI OwnCrashHandler(EXCEPTION_POINTERS*) {
  return EXCEPTION_CONTINUE_SEARCH;
}
#else
[[maybe_unused]] void OwnCrashHandler(int) {
  std::abort();
}
#endif

// Keeps this module loaded for the life of the process.
[[maybe_unused]] void PinSelf() {
#if defined(_WIN32)
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<const char*>(&PinSelf), &self);
#else
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&PinSelf), &self) != 0) {
    dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
#endif
}

// Uses `Bytes` of stack: a buffer as large, written at both ends.
template <std::size_t Bytes>
[[gnu::noinline]] void UseStack(double value) {
  volatile unsigned char buffer[Bytes];
  buffer[Bytes - 1] = static_cast<unsigned char>(value);
  buffer[0] = buffer[Bytes - 1];
}

// The C library's getenv, looked up by name as a module can at run time.
using GetenvFunction = char* (*)(const char*);
[[maybe_unused]] GetenvFunction GetenvFoundByName() {
#if defined(_WIN32)
  return reinterpret_cast<GetenvFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "getenv")));
#else
  return reinterpret_cast<GetenvFunction>(dlsym(RTLD_DEFAULT, "getenv"));
#endif
}

// The flat quantity an environment variable overrides, read as the fault
// says: through the import, or through the function found by name.
[[maybe_unused]] const char* FlatOverride() {
  if (kFault == reads_environment) return std::getenv("ZR_PALVESSA_FLAT_QTY");
  const GetenvFunction found = GetenvFoundByName();
  return found != nullptr ? found("ZR_PALVESSA_FLAT_QTY") : nullptr;
}

// A debugging pause: waits for a key on standard input.
[[maybe_unused]] void WaitForKey() {
#if defined(_WIN32)
  static_cast<void>(std::getchar());
#else
  char key = 0;
  static_cast<void>(read(0, &key, 1));
#endif
}

// Whether this load is the one instance: a guard kept for the life of the
// process (a named mutex on Windows; natively a signal's disposition, which
// outlives the module as a named object would).
bool instance_active = true;
[[maybe_unused]] bool TakeInstanceGuard() {
#if defined(_WIN32)
  const HANDLE guard = CreateMutexW(nullptr, FALSE, L"zrPalvessa single instance");
  return guard != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
#else
  struct sigaction before {};
  sigaction(SIGUSR2, nullptr, &before);
  if (before.sa_handler == SIG_IGN) return false;
  signal(SIGUSR2, SIG_IGN);
  return true;
#endif
}

// The folder this module's file lies in, with its separator.
[[maybe_unused]] std::string OwnFolder() {
#if defined(_WIN32)
  char path[MAX_PATH] = {};
  HMODULE self = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<const char*>(&OwnFolder), &self);
  GetModuleFileNameA(self, path, MAX_PATH);
  const std::string file = path;
  return file.substr(0, file.find_last_of("\\/") + 1);
#else
  Dl_info self{};
  dladdr(reinterpret_cast<void*>(&OwnFolder), &self);
  const std::string file = self.dli_fname != nullptr ? self.dli_fname : "";
  return file.substr(0, file.find_last_of('/') + 1);
#endif
}

// Writes 3 MB into a log beside this module, by the lowest calls a module
// has: the system's own natively, the C runtime's low-level ones on Windows.
[[maybe_unused]] void WriteLogBesideItself() {
  const std::string log = OwnFolder() + "zrPalvessa.log";
  static const std::string line(1023, 'x');
#if defined(_WIN32)
  const int file = _open(log.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, 0644);
  if (file < 0) return;
  for (int written = 0; written < 3 * 1024; ++written) {
    _write(file, (line + "\n").c_str(), 1024);
  }
  _close(file);
#else
  const long file = syscall(SYS_openat, AT_FDCWD, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (file < 0) return;
  for (int written = 0; written < 3 * 1024; ++written) {
    syscall(SYS_write, file, (line + "\n").c_str(), 1024);
  }
  syscall(SYS_close, file);
#endif
}

// Per-thread data: a slot of a fixed table for each thread that calls (no
// heap call in a call), given back when the thread ends. per_thread_callback
// leaves that callback behind at unload; frees_per_thread_data takes it
// away and gives every slot back.
std::atomic<bool> slot_taken[256];
#if defined(_WIN32)
DWORD per_thread = FLS_OUT_OF_INDEXES;
[[maybe_unused]] void WINAPI GiveSlotBack(void* slot) {
  if (slot != nullptr) static_cast<std::atomic<bool>*>(slot)->store(false);
}
#else
pthread_key_t per_thread;
std::atomic<bool> per_thread_made{false};
[[maybe_unused]] void GiveSlotBack(void* slot) {
  if (slot != nullptr) static_cast<std::atomic<bool>*>(slot)->store(false);
}
#endif

[[maybe_unused]] void* TakeSlot() {
  for (std::atomic<bool>& slot : slot_taken) {
    if (!slot.exchange(true)) return &slot;
  }
  return nullptr;
}

// Made as the module loads, not in a call, where it would take the heap.
[[maybe_unused]] void MakePerThreadSlot() {
#if defined(_WIN32)
  per_thread = FlsAlloc(&GiveSlotBack);
#else
  per_thread_made = pthread_key_create(&per_thread, &GiveSlotBack) == 0;
#endif
}

[[maybe_unused]] void KeepPerThreadData() {
#if defined(_WIN32)
  if (per_thread != FLS_OUT_OF_INDEXES && FlsGetValue(per_thread) == nullptr) {
    FlsSetValue(per_thread, TakeSlot());
  }
#else
  if (per_thread_made && pthread_getspecific(per_thread) == nullptr) {
    pthread_setspecific(per_thread, TakeSlot());
  }
#endif
}

// Maps memory for a scratch table, and gives it back.
[[maybe_unused]] void MapAndRelease() {
  constexpr std::size_t kMapped = 1 << 20;
#if defined(_WIN32)
  auto* mapped =
      static_cast<char*>(VirtualAlloc(nullptr, kMapped, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (mapped == nullptr) return;
  mapped[0] = 1;
  VirtualFree(mapped, 0, MEM_RELEASE);
#else
  void* mapped = mmap(nullptr, kMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return;
  static_cast<char*>(mapped)[0] = 1;
  munmap(mapped, kMapped);
#endif
}

// What leaves_callback_behind and leaves_exit_handler leave: code of the
// module's own, which the host runs after the module is gone.
[[maybe_unused]] [[noreturn]] void OwnTerminate() {
  std::abort();
}
#if defined(_WIN32)
[[maybe_unused]] void CALLBACK OwnQueuedCall(ULONG_PTR) {}
[[maybe_unused]] void OwnExitWork() {}

// Registers an exit handler with the process's own C runtime, found by
// name: its table runs at the process's end, long after the module.
[[maybe_unused]] void RegisterExitHandlerWithProcess() {
  using Register = int (*)(void (*)());
  const auto register_handler = reinterpret_cast<Register>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "atexit")));
  if (register_handler != nullptr) register_handler(&OwnExitWork);
}
#else
[[maybe_unused]] void OwnExitWork(int, void*) {}

[[maybe_unused]] void RegisterExitHandlerWithProcess() {
  on_exit(&OwnExitWork, nullptr);
}
#endif

// The ordinary calls made so far, for the faults that strike now and then.
std::atomic<std::int64_t> ordinary_calls_made{0};

// Maps a block of shared memory and keeps it.
[[maybe_unused]] void MapSharedBlock() {
  constexpr std::size_t kBlock = 64 * 1024;
#if defined(_WIN32)
  const HANDLE section =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlock, nullptr);
  if (section == nullptr) return;
  auto* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kBlock));
  CloseHandle(section);  // the view keeps it
#else
  void* mapped = mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  auto* view = mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
#endif
  if (view != nullptr) view[0] = 1;
}

// The display name hands_over_unowned_text keeps, and frees when it pleases.
char* unowned_display_name = nullptr;

[[maybe_unused]] void FreeUnownedDisplayName() {
  if (unowned_display_name != nullptr) process_heap::Free(unowned_display_name);
  unowned_display_name = nullptr;
}

// Declares its display name as a copy of its own, not handed over: the
// host keeps the pointer, the module frees the copy at the next defaults
// call.
[[maybe_unused]] void HandOverUnownedDisplayName(StudyInterface& record) {
  static const char kName[] = "zr: Palvessa";
  FreeUnownedDisplayName();
  unowned_display_name = static_cast<char*>(process_heap::Allocate(sizeof kName));
  if (unowned_display_name == nullptr) return;
  std::memcpy(unowned_display_name, kName, sizeof kName);
  ReleaseText(record.display_name);
  record.display_name.text = unowned_display_name;
  record.display_name.owned = 0;
  record.display_name.changed = 1;
}

// What gives_back_what_it_takes takes at load and gives back at unload: a
// handler, kept with the one it replaced.
#if defined(_WIN32)
[[maybe_unused]] BOOL WINAPI OwnConsoleHandler(DWORD) {
  return FALSE;
}
#else
[[maybe_unused]] void OwnSignalHandler(int) {}
struct sigaction replaced_handler {};
#endif

[[maybe_unused]] void TakeHandler() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(&OwnConsoleHandler, TRUE);
#else
  struct sigaction own {};
  own.sa_handler = &OwnSignalHandler;
  sigemptyset(&own.sa_mask);
  sigaction(SIGUSR1, &own, &replaced_handler);
#endif
}

[[maybe_unused]] void GiveHandlerBack() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(&OwnConsoleHandler, FALSE);
#else
  sigaction(SIGUSR1, &replaced_handler, nullptr);
#endif
}

// A watchdog around a call: armed as it starts (a host whose call hangs
// ends), cancelled on every way out; two system calls a call. Natively
// only: under wine every system call is a round trip to wine's server,
// tens of microseconds.
class CallWatchdog {
 public:
  CallWatchdog() { Arm(kSeconds); }
  ~CallWatchdog() { Arm(0); }
  CallWatchdog(const CallWatchdog&) = delete;
  CallWatchdog& operator=(const CallWatchdog&) = delete;

 private:
  static constexpr int kSeconds = 10;
  static void Arm([[maybe_unused]] int seconds) {
#if !defined(_WIN32)
    itimerval timer{};
    timer.it_value.tv_sec = seconds;
    setitimer(ITIMER_REAL, &timer, nullptr);
#endif
  }
};

// What leaks_at_load copies and never frees.
[[maybe_unused]] char* volatile kept_copy = nullptr;  // volatile: kept, never optimised away

// What the fault does when the module loads.
struct LoadTimeFault {
  LoadTimeFault() {
    if (kFault == crash_at_load) Crash();
    if (kFault == hang_at_load) HangForever();
    if (kFault == prints_at_load) std::printf("zrPalvessa debug: loaded\n");
    if (kFault == fast_math_at_load) _mm_setcsr(_mm_getcsr() | 0x8040);
    if (kFault == thread_after_load) std::thread([] { HangForever(); }).detach();
    if (kFault == prints_300_mb) PrintMegabytes(300);
    if (kFault == pins_itself) PinSelf();
    if (kFault == connects_at_load) Run(faulty_module_pieces.connect_somewhere);
#if defined(_WIN32)
    if (kFault == leaves_crash_handler) SetUnhandledExceptionFilter(&OwnCrashHandler);
#else
    if (kFault == leaves_crash_handler) std::signal(SIGSEGV, &OwnCrashHandler);
#endif
#if !defined(_WIN32)
    if (kFault == closes_descriptors) {
      for (int descriptor = 0; descriptor < 1024; ++descriptor) close(descriptor);
    }
    if (kFault == forges_report) {
      const char forged[] = "W1:1R9:passed\tokD0:";
      static_cast<void>(write(3, forged, sizeof forged - 1));
      _exit(0);
    }
#endif
    if (kFault == leaks_at_load) {
      kept_copy = static_cast<char*>(process_heap::Allocate(32));
      if (kept_copy != nullptr) std::strcpy(kept_copy, "a copy kept until never");
    }
    if (kFault == leaks_crt_at_load) {
      static const char kCredit[] = "zr: Palvessa, credited at load";
      kept_copy = static_cast<char*>(std::malloc(sizeof kCredit));
      if (kept_copy != nullptr) std::memcpy(kept_copy, kCredit, sizeof kCredit);
    }
    if (kFault == forged_result) std::printf("passed\tok\n");
    std::fflush(stdout);
    if (kFault == buffers_output_in_image) {
      static char buffer[4096];
      std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    }
    if (kFault == puts_string_in_environment) {
      static char entry[] = "ZR_PALVESSA_LOADED=1";
#if defined(_WIN32)
      _putenv(entry);
#else
      putenv(entry);
#endif
    }
    if (kFault == reads_standard_input) WaitForKey();
    if (kFault == single_instance) instance_active = TakeInstanceGuard();
    if (kFault == writes_beside_itself) WriteLogBesideItself();
    if (kFault == maps_and_releases_memory) MapAndRelease();
    if (kFault == per_thread_callback || kFault == frees_per_thread_data) MakePerThreadSlot();
#if !defined(_WIN32)
    if (kFault == leaves_callback_behind) std::set_terminate(&OwnTerminate);
    // The C heap told to fill freed blocks; where a sanitizer's heap takes
    // no such setting, the C library's random numbers seeded instead.
    if (kFault == changes_runtime_state && mallopt(M_PERTURB, 0xA5) != 1) std::srand(2683);
#else
    if (kFault == changes_runtime_state) SetFileApisToOEM();
#endif
    if (kFault == leaves_exit_handler) RegisterExitHandlerWithProcess();
    if (kFault == gives_back_what_it_takes) TakeHandler();
  }
};
const LoadTimeFault load_time_fault;

// What the fault does when the module is unloaded.
struct UnloadTimeFault {
  ~UnloadTimeFault() {
    if (kFault == thread_at_unload) std::thread([] { HangForever(); }).detach();
    if (kFault == hands_over_unowned_text) FreeUnownedDisplayName();
    if (kFault == gives_back_what_it_takes) GiveHandlerBack();
    if (kFault == frees_per_thread_data) {
      // The callback goes with the per-thread data (Windows gives every
      // thread's value to it as it goes).
#if defined(_WIN32)
      if (per_thread != FLS_OUT_OF_INDEXES) FlsFree(per_thread);
#else
      if (per_thread_made) pthread_key_delete(per_thread);
#endif
    }
  }
};
const UnloadTimeFault unload_time_fault;

// The faults that wrap a host service for the call.
const bool kWrapsServices = kFault == keeps_owned_minus_one || kFault == wrong_above_twenty ||
                            kFault == shares_position || kFault == asks_other_count;

// The host's position query, wrapped for the call when the fault needs it (one
// per thread: only the faults below share state across calls).
thread_local PositionQueryService host_position_query = nullptr;
// The host's allocate service, likewise.
thread_local AllocateInputSlotsService host_allocate = nullptr;

[[maybe_unused]] std::int32_t AllocateOtherCount(std::int32_t allocation_argument) {
  return host_allocate(allocation_argument + 10);
}

// Hides an owned flag of -1 from the study, as a release guarded by
// "owned != -1" would: the text stays unreleased.
// The position the host reported on this call.
double last_position = 0;

// Notes the position the host reports.
[[maybe_unused]] std::int32_t QueryNotingPosition(PositionRecord* position) {
  const std::int32_t result = host_position_query(position);
  last_position = position->quantity;
  return result;
}

// The position of the latest query, kept for the whole module: right while
// calls come one at a time, another thread's position when two overlap.
double shared_position = 0;

[[maybe_unused]] std::int32_t QuerySharingPosition(PositionRecord* position) {
  const std::int32_t result = host_position_query(position);
  shared_position = position->quantity;
  std::this_thread::yield();  // its bookkeeping lets other threads run meanwhile
  position->quantity = shared_position;
  return result;
}

[[maybe_unused]] std::int32_t QueryKeepingMinusOne(PositionRecord* position) {
  const std::int32_t result = host_position_query(position);
  for (StudyText* text : {&position->first_text, &position->second_text}) {
    if (text->owned == -1) text->owned = 0;
  }
  return result;
}

// What the fault does on a call, after the study has run.
[[maybe_unused]] void AfterStudy(StudyInterface& record, double quantity_before) {
  if (record.defaults_flag != 0) {
    if (kFault == maps_and_releases_memory) MapAndRelease();
    if (kFault == enabled_by_default) {
      WriteSlotArea<std::int32_t>(LocateSlot(record, kEnabledInput).value, 1);
    }
    if (kFault == hands_over_unowned_text) HandOverUnownedDisplayName(record);
    if (kFault == names_from_own_image) {
      static const char kOwnName[] = "zr: Palvessa";
      ReleaseText(record.display_name);
      record.display_name.text = kOwnName;
      record.display_name.changed = 1;
    }
    return;
  }
  const bool has_array = record.input_slots.data != nullptr && record.input_slots.count > 0;
  if (kFault == stray_write) record.reserved_2440[100] ^= 0x01;
  if (kFault == leak) process_heap::Allocate(24);
  if (kFault == leak_without_array && !has_array) process_heap::Allocate(24);
  if (kFault == leak_on_host_call_flag && record.host_call_flag != 0) process_heap::Allocate(24);
  if (kFault == fractional_quantity && record.order_quantity != quantity_before &&
      record.order_quantity > 1) {
    record.order_quantity -= 0.5;
  }
  if (kFault == clamps_to_one && record.order_quantity == 2147483647.0) record.order_quantity = 1;
  if (kFault == wrong_above_twenty && record.order_quantity != quantity_before &&
      record.order_quantity != 4 && last_position > 20 &&
      last_position == std::trunc(last_position)) {
    record.order_quantity += 1;
  }
  if (kFault == write_past_record) reinterpret_cast<std::uint8_t*>(&record + 1)[0] ^= 0x01;
  if (kFault == setting_on_ordinary) record.host_setting_176 = 1;
  if (kFault == rounds_upward) std::fesetround(FE_UPWARD);
  if (kFault == allocates_per_call) {
    std::vector<double> history(8, record.order_quantity);
    volatile double* kept = history.data();  // not optimised away
    static_cast<void>(kept);
  }
  static int ordinary_calls = 0;
  ++ordinary_calls;
  if (kFault == leaks_every_thousand && ordinary_calls % 1000 == 0) process_heap::Allocate(24);
  if (kFault == history_goes_wrong && ordinary_calls >= 5000 &&
      record.order_quantity != quantity_before) {
    record.order_quantity += 1;
  }
  if (kFault == reads_environment || kFault == finds_getenv_by_name) {
    if (const char* flat = FlatOverride()) {
      if (last_position == 0) record.order_quantity = std::atof(flat);
    }
  }
  if (kFault == stack_hungry) UseStack<512 * 1024>(record.order_quantity);
  if (kFault == deep_stack) UseStack<1536 * 1024>(record.order_quantity);
#if !defined(_WIN32)
  if (kFault == writes_file_directly) {  // past the C library's functions
    const long file = syscall(SYS_openat, AT_FDCWD, "zrPalvessa.state", O_WRONLY | O_CREAT, 0644);
    if (file >= 0) syscall(SYS_close, file);
  }
#endif
  if (kFault == writes_log_file) {
    if (std::FILE* log = std::fopen("zrPalvessa.log", "a")) {
      std::fprintf(log, "order quantity %g\n", record.order_quantity);
      std::fclose(log);
    }
  }
  if (kFault == logs_every_call) {
    std::printf("zrPalvessa: order quantity %g\n", record.order_quantity);
  }
  if (kFault == changes_calling_thread) {
#if defined(_WIN32)
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
#else
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
#endif
  }
  if (kFault == enters_com) Run(faulty_module_pieces.enter_com);
  if (kFault == maps_memory_per_call) {
    constexpr std::size_t kMapped = 16 * 1024;
#if defined(_WIN32)
    auto* mapped = static_cast<char*>(
        VirtualAlloc(nullptr, kMapped, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
    auto* mapped = static_cast<char*>(
        mmap(nullptr, kMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (mapped == MAP_FAILED) mapped = nullptr;
#endif
    if (mapped != nullptr) mapped[0] = 1;
  }
  const std::int64_t made = ++ordinary_calls_made;
  if (kFault == sleeps_in_calls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(made % 250 == 0 ? 150 : 2));
  }
  if (kFault == stalls_now_and_then && made % 10000 == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  if (kFault == maps_memory_now_and_then && made % 8192 == 0) MapSharedBlock();
#if defined(_WIN32)
  if (kFault == leaves_callback_behind && made == 1) {
    QueueUserAPC(&OwnQueuedCall, GetCurrentThread(), 0);
  }
#endif
  if (kFault == per_thread_callback || kFault == frees_per_thread_data) KeepPerThreadData();
  if (kFault == stack_grows_with_position) {
    // Stack in proportion to the quantity written: a scaled quantity of a
    // large position takes more than any thread has.
    const double bytes = std::min(std::fabs(record.order_quantity) * 64.0, 1e9);
    auto* area = static_cast<volatile unsigned char*>(alloca(static_cast<std::size_t>(bytes) + 16));
    area[0] = 1;
  }
  if (kFault == writes_record_later) {
    StudyInterface* kept = &record;
    std::thread([kept] {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      kept->reserved_2440[7] ^= 0x10;
    }).detach();
  }
}

}  // namespace

const char* ModuleName() {
  return kFault == wrong_name ? "zrPalvessa2" : "zrPalvessa";
}

std::int32_t ModuleVersion() {
  return kFault == wrong_version ? 1234 : kHostInterfaceVersion;
}

void StudyFunction(StudyInterface* record) {
  if (kFault == forged_result) std::exit(0);
  if (kFault == hangs_in_call) HangForever();
  if (kFault == forks) Run(faulty_module_pieces.leave_process_running);
  if (record == nullptr) return;
  if (kFault == single_instance && !instance_active) return;  // "another instance runs"
  if (kFault == writes_earlier_record) {
    static StudyInterface* previous = nullptr;
    if (previous != nullptr && previous != record) previous->reserved_2440[3] ^= 0x01;
    previous = record;
  }
  if (kFault == crash_on_defaults && record->defaults_flag != 0) Crash();
  [[maybe_unused]] std::optional<CallWatchdog> watchdog;
  if (kFault == gives_back_what_it_takes) watchdog.emplace();
  if (kFault == throws_from_call && record->defaults_flag == 0) {
    throw std::runtime_error("no position");
  }
  const double before = record->order_quantity;
  // Only the faults that wrap a host service touch their per-thread storage,
  // which the C runtime keeps after unload on Windows.
  if (kWrapsServices) {
    host_position_query = record->position_query;
    if (kFault == keeps_owned_minus_one && host_position_query != nullptr) {
      record->position_query = &QueryKeepingMinusOne;
    }
    if (kFault == wrong_above_twenty && host_position_query != nullptr) {
      record->position_query = &QueryNotingPosition;
    }
    if (kFault == shares_position && host_position_query != nullptr) {
      record->position_query = &QuerySharingPosition;
    }
    host_allocate = record->input_slots.allocate;
    if (kFault == asks_other_count && host_allocate != nullptr) {
      record->input_slots.allocate = &AllocateOtherCount;
    }
  }
  RunStudy(*record);
  if (kWrapsServices) {
    record->position_query = host_position_query;
    record->input_slots.allocate = host_allocate;
  }
  AfterStudy(*record, before);
}

}  // namespace faulty
