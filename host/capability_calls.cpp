#include "host/capability_calls.h"

#include <atomic>
#include <cstring>
#include <iterator>

#include "host/per_thread.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace capability_calls {
namespace {

int CurrentThreadId() {
#if defined(_WIN32)
  return static_cast<int>(GetCurrentThreadId());
#else
  return static_cast<int>(syscall(SYS_gettid));
#endif
}

std::atomic<bool> supported{false};
using ModuleCodeRunning = PerThread<bool, struct ModuleCodeRunningTag>;
using CurrentModuleCode = PerThread<ModuleCode, struct CurrentModuleCodeTag>;  // while running
using LibraryLoads = PerThread<int, struct LibraryLoadsTag>;  // nested loads on this thread

// The host's threads, for uses the kernel reports from another thread: by
// id, whether module code runs there now and what it is doing.
struct HostThread {
  std::atomic<int> id{0};  // 0: a free slot
  std::atomic<bool> module_code_running{false};
  std::atomic<int> module_code{0};
};
constexpr std::size_t kHostThreads = 64;
HostThread host_threads[kHostThreads];

// This thread's slot, once it registered. A child of the tool registers a
// handful of threads for its one check; their ids are not used again
// within it.
using OwnSlot = PerThread<HostThread*, struct OwnSlotTag>;

void TellSlot() {
  HostThread* const own_slot = OwnSlot::Get();
  if (own_slot == nullptr) return;
  own_slot->module_code = static_cast<int>(CurrentModuleCode::Get());
  own_slot->module_code_running = ModuleCodeRunning::Get();
}

// The first use of each capability, kept without the heap (a replacement
// of malloc may be what calls in here).
constexpr std::size_t kCapabilities = 10;
constexpr std::size_t kWhatKept = 120;
struct FirstUse {
  std::atomic<bool> taken{false};
  std::atomic<bool> written{false};
  char what[kWhatKept + 1] = {};
};
FirstUse first_uses[kCapabilities];

const char* const kVerbs[kCapabilities] = {"read the environment variable",
                                           "opened the file",
                                           "used the network",
                                           "started the process",
                                           "loaded the library",
                                           "opened the registry key",
                                           "made the window",
                                           "changed the file system at",
                                           "started a thread",
                                           "read its standard input"};

void Record(Capability capability, const char* what) noexcept {
  FirstUse& use = first_uses[static_cast<std::size_t>(capability)];
  if (use.taken.exchange(true)) return;
  std::strncpy(use.what, what != nullptr ? what : "", kWhatKept);
  use.written = true;
}

}  // namespace

bool Supported() {
  return supported.load();
}

void MarkSupported() noexcept {
  supported.store(true);
}

ModuleCodeScope::ModuleCodeScope(ModuleCode code)
    : previous_(CurrentModuleCode::Get()), was_running_(ModuleCodeRunning::Get()) {
  ModuleCodeRunning::Set(true);
  CurrentModuleCode::Set(code);
  TellSlot();
}

ModuleCodeScope::~ModuleCodeScope() {
  ModuleCodeRunning::Set(was_running_);
  CurrentModuleCode::Set(previous_);
  TellSlot();
}

void NoteFromModuleImport(Capability capability, const char* what) noexcept {
  if (!ModuleCodeRunning::Get() && OwnSlot::Get() == nullptr) {
    Record(capability, what);  // a thread the module started
    return;
  }
  Note(capability, what);
}

void RegisterHostThread() {
  if (OwnSlot::Get() != nullptr) return;
  const int id = CurrentThreadId();
  for (HostThread& slot : host_threads) {
    int free = 0;
    if (slot.id.compare_exchange_strong(free, id)) {
      OwnSlot::Set(&slot);
      TellSlot();
      return;
    }
  }
}

void NoteSeenByKernel(int thread, Capability capability, const char* what,
                      bool loader_may) noexcept {
  for (const HostThread& slot : host_threads) {
    if (slot.id.load() != thread) continue;
    if (!slot.module_code_running.load()) return;  // the tool's own work
    const bool loading = slot.module_code.load() == static_cast<int>(ModuleCode::kLoad);
    if (loading && loader_may) return;  // the loader opening the module and its libraries
    break;
  }
  Record(capability, what);
}

LibraryLoadScope::LibraryLoadScope() {
  LibraryLoads::Set(LibraryLoads::Get() + 1);
}

LibraryLoadScope::~LibraryLoadScope() {
  LibraryLoads::Set(LibraryLoads::Get() - 1);
}

void Note(Capability capability, const char* what) noexcept {
  const bool tools_own_load = capability == Capability::kLibrary &&
                              CurrentModuleCode::Get() == ModuleCode::kLoad &&
                              LibraryLoads::Get() <= 1;
  if (!ModuleCodeRunning::Get() || tools_own_load) return;
  Record(capability, what);
}

std::vector<std::string> TakeUses() {
  std::vector<std::string> uses;
  for (std::size_t index = 0; index < kCapabilities; ++index) {
    FirstUse& use = first_uses[index];
    if (!use.written.load()) continue;
    const std::string what = use.what;
    // Names are quoted; the network's uses are said as they are.
    const bool named = static_cast<Capability>(index) != Capability::kNetwork &&
                       static_cast<Capability>(index) != Capability::kThread &&
                       static_cast<Capability>(index) != Capability::kInput;
    uses.push_back(std::string(kVerbs[index]) + (what.empty() ? ""
                                                 : named      ? " '" + what + "'"
                                                              : " (" + what + ")"));
    use.written = false;
    use.taken = false;
  }
  return uses;
}

}  // namespace capability_calls
