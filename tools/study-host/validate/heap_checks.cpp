// Checks of memory: an ordinary call makes no heap call of its own (the
// releases of owned host text aside), and many calls of each kind, or a
// load and an unload, leave the heap as they found it in blocks and bytes,
// and the memory outside the heap (mapped by the module itself) too.
#include "tools/study-host/validate/heap_checks.h"
#include "host/heap_calls.h"
#include "host/heap_census.h"
#include "host/process_census.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/common/text_format.h"

namespace {

constexpr int kCallsEachKind = 1000;  // a leak of one block per this many calls shows
constexpr int kRounds = 3;            // a balanced round clears the kind
constexpr int kOrdinaryCallsCounted = 20;
#if defined(_WIN32)
constexpr std::int64_t kMostMemoryMoved = std::int64_t{1} << 20;  // the heaps' own committing
#else
constexpr std::int64_t kMostMemoryMoved = std::int64_t{256} << 10;
#endif

std::string Kilobytes(std::int64_t bytes) {
  return std::to_string(bytes / 1024) + " KB";
}

// The heap, and the private memory outside it, at one moment.
struct MemoryCensus {
  HeapCensus heap;
  std::int64_t outside_heap = -1;  // see ProcessCensus::private_memory
};

MemoryCensus TakeMemoryCensus() {
  return {TakeHeapCensus(), PrivateMemoryBytes()};
}

MemoryCensus CensusAfter(const judge::CallScenario& scenario, const judge::JudgedStudy& study,
                         int calls) {
  for (int call = 0; call < calls; ++call) {
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, study);
    study(&host.record());
  }
  return TakeMemoryCensus();
}

std::string Growth(const HeapCensus& before, const HeapCensus& after) {
  return Counted(after.bytes - before.bytes, "byte", "bytes") +
         (after.blocks >= 0 ? " (" + Counted(after.blocks - before.blocks, "block", "blocks") + ")"
                            : std::string());
}

// Nothing more in use than before. Less is no leak: the loader gives back
// what it had cached (a library the system keeps loaded, once loaded, is
// not loaded again).
bool Balanced(const HeapCensus& before, const HeapCensus& after) {
  return after.bytes <= before.bytes && after.blocks <= before.blocks;
}

// How the memory outside the heap grew, in words; "" when it did not grow
// beyond what the host's own allocations may move it by.
std::string GrowthOutsideHeap(const MemoryCensus& before, const MemoryCensus& after) {
  if (before.outside_heap < 0 || after.outside_heap - before.outside_heap <= kMostMemoryMoved) {
    return "";
  }
  return Kilobytes(after.outside_heap - before.outside_heap) +
         " more memory mapped outside the heap, which it never gives back";
}

// What grew from `before` to `after`, in words; "" when nothing did.
std::string GrowthBetween(const MemoryCensus& before, const MemoryCensus& after) {
  const std::string outside = GrowthOutsideHeap(before, after);
  if (!Balanced(before.heap, after.heap)) {
    return "the heap grows by " + Growth(before.heap, after.heap) +
           (outside.empty() ? "" : ", and it leaves " + outside);
  }
  return outside.empty() ? "" : "it leaves " + outside;
}

std::string HeapGrowth(const judge::CallScenario& scenario, const judge::JudgedStudy& study) {
  MemoryCensus before = CensusAfter(scenario, study, kCallsEachKind / 10);  // allocators settle
  for (int round = 1;; ++round) {
    const MemoryCensus after = CensusAfter(scenario, study, kCallsEachKind);
    const std::string growth = GrowthBetween(before, after);
    if (growth.empty()) return "";
    if (round == kRounds) {
      return std::string(scenario.name) + ": " + growth + " every " +
             std::to_string(kCallsEachKind) + " calls";
    }
    before = after;
  }
}

// What a DLL with the C++ runtime linked in keeps from its load to the
// end of the process unless it is asked to give it back: the runtime's
// emergency pool for exceptions, one block of some 70 KB.
constexpr std::int64_t kSmallestExceptionPool = 64 * 1024;
constexpr std::int64_t kLargestExceptionPool = 80 * 1024;

// Names a load's lone leftover block as the exception pool, with how to give
// it back, when its size is the pool's; "" otherwise.
std::string ExceptionPoolNote(const HeapCensus& before, const HeapCensus& after) {
  const std::int64_t bytes = after.bytes - before.bytes;
  const bool pool_sized = bytes >= kSmallestExceptionPool && bytes <= kLargestExceptionPool;
  if (after.blocks - before.blocks != 1 || !pool_sized) return "";
  return ": the size of the C++ runtime's exception pool, which a DLL with the runtime linked "
         "in takes as it loads; give it back as it unloads by calling __gnu_cxx::__freeres() "
         "(the study kit's exception pool file does so)";
}

// Loading and unloading the module again, until a round leaves the heap and
// the memory outside it as it found them (the loader's own caches settle in
// the first).
std::string LoadAndUnloadGrowth(const CheckContext& context) {
  context.session->Unload();
  MemoryCensus before = TakeMemoryCensus();
  for (int round = 1;; ++round) {
    const std::string reason =
        context.session->Load(context.path, LoadDepth::kExports, context.study_name);
    context.session->Unload();
    if (!reason.empty()) return "loading the module again failed: " + reason;
    const MemoryCensus after = TakeMemoryCensus();
    if (Balanced(before.heap, after.heap) && GrowthOutsideHeap(before, after).empty()) return "";
    if (round == kRounds) {
      if (!Balanced(before.heap, after.heap)) {
        return "loading and unloading the module leaves " + Growth(before.heap, after.heap) +
               " on the heap" + ExceptionPoolNote(before.heap, after.heap);
      }
      return "loading and unloading the module leaves " + GrowthOutsideHeap(before, after);
    }
    before = after;
  }
}

// The module's own heap calls in one call, beyond the releases of host text
// it was given; "" for none.
std::string OwnHeapCalls(const judge::CallScenario& scenario, const judge::JudgedStudy& study,
                         std::int64_t& expected_releases) {
  StandInHost host(scenario.options);
  judge::PrepareScenario(host, scenario, study);
  heap_calls::Counts counts;
  {
    const heap_calls::ModuleCallScope scope;
    study.function(&host.record());
    counts = scope.counts();
  }
  expected_releases += counts.expected_releases;
  if (counts.heap_calls() == 0) return "";
  return std::string(scenario.name) + ": " +
         Counted(counts.heap_calls(), "heap call", "heap calls") + " of its own (" +
         Counted(counts.allocations, "allocation", "allocations") + ", " +
         Counted(counts.releases, "release", "releases") + ")";
}

}  // namespace

CheckResult CheckHeapCalls(const CheckContext& context) {
  heap_calls::WatchModule(context.session->module().library);
  if (!heap_calls::Supported()) {
    return Skipped("this build cannot count heap calls (AddressSanitizer replaces the heap)");
  }
  const judge::JudgedStudy& study = context.study();
  std::int64_t calls = 0;
  std::int64_t expected_releases = 0;
  std::string own;  // the first ordinary call that made heap calls of its own
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    if (scenario.defaults) continue;  // a defaults call allocates the texts it declares
    context.Announce(scenario.name);
    for (int call = 0; call < kOrdinaryCallsCounted; ++call, ++calls) {
      const std::string made = OwnHeapCalls(scenario, study, expected_releases);
      if (own.empty()) own = made;
    }
  }
  const std::string released =
      "released owned host text " + Counted(expected_releases, "time", "times") + " as asked";
  if (own.empty()) {
    return Passed(std::to_string(calls) + " ordinary calls made no heap call of their own, and " +
                  released);
  }
  if (study.rule != nullptr && study.rule->takes_no_heap_in_ordinary_calls()) {
    return Failed(own + "; an ordinary call of this study makes none");
  }
  return Warned(released + "; but " + own +
                ": a host calls a study on every chart update, so heap calls there slow "
                "every chart; keep what a call needs on the stack");
}

CheckResult CheckMemoryBalance(const CheckContext& context) {
  if (!TakeHeapCensus().supported) {
    return Skipped("this build cannot count the heap (AddressSanitizer checks leaks itself)");
  }
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    const std::string growth = HeapGrowth(scenario, context.study());
    if (!growth.empty()) return Failed(growth);
  }
  context.Announce("loading and unloading the module");
  const std::string growth = LoadAndUnloadGrowth(context);
  if (!growth.empty()) return Failed(growth);
  return Passed(std::to_string(judge::CallScenarios().size()) + " kinds of call, " +
                std::to_string(kCallsEachKind * kRounds) +
                " of each, and loading and unloading the module left the heap and the memory "
                "outside it as they found them");
}
