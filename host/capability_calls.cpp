#include "host/capability_calls.h"

#include <atomic>
#include <cstring>
#include <iterator>

namespace capability_calls {
namespace {

std::atomic<bool> supported{false};
thread_local bool module_code_running = false;
thread_local ModuleCode module_code = ModuleCode::kCall;
thread_local int library_loads = 0;  // nested loads on this thread

// The first use of each capability, kept without the heap (a replacement
// of malloc may be what calls in here).
constexpr std::size_t kCapabilities = 7;
constexpr std::size_t kWhatKept = 120;
struct FirstUse {
  std::atomic<bool> taken{false};
  std::atomic<bool> written{false};
  char what[kWhatKept + 1] = {};
};
FirstUse first_uses[kCapabilities];

const char* const kVerbs[kCapabilities] = {"read the environment variable", "opened the file",
                                           "used the network", "started the process",
                                           "loaded the library"};

}  // namespace

bool Supported() {
  return supported.load();
}

void MarkSupported() noexcept {
  supported.store(true);
}

ModuleCodeScope::ModuleCodeScope(ModuleCode code)
    : previous_(module_code), was_running_(module_code_running) {
  module_code_running = true;
  module_code = code;
}

ModuleCodeScope::~ModuleCodeScope() {
  module_code_running = was_running_;
  module_code = previous_;
}

LibraryLoadScope::LibraryLoadScope() {
  ++library_loads;
}

LibraryLoadScope::~LibraryLoadScope() {
  --library_loads;
}

void Note(Capability capability, const char* what) noexcept {
  const bool tools_own_load =
      capability == Capability::kLibrary && module_code == ModuleCode::kLoad && library_loads <= 1;
  if (!module_code_running || tools_own_load) return;
  FirstUse& use = first_uses[static_cast<std::size_t>(capability)];
  if (use.taken.exchange(true)) return;
  std::strncpy(use.what, what != nullptr ? what : "", kWhatKept);
  use.written = true;
}

std::vector<std::string> TakeUses() {
  std::vector<std::string> uses;
  for (std::size_t index = 0; index < kCapabilities; ++index) {
    FirstUse& use = first_uses[index];
    if (!use.written.load()) continue;
    const std::string what = use.what;
    // Names are quoted; the network's uses are said as they are.
    const bool named = static_cast<Capability>(index) != Capability::kNetwork;
    uses.push_back(std::string(kVerbs[index]) + (what.empty() ? ""
                                                 : named      ? " '" + what + "'"
                                                              : " (" + what + ")"));
    use.written = false;
    use.taken = false;
  }
  return uses;
}

}  // namespace capability_calls
