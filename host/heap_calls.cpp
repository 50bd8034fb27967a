#include "host/heap_calls.h"

#include <atomic>

namespace heap_calls {
namespace {

// Plain atomics only: the replacements of the heap's functions call in here,
// so nothing here may itself use the heap.
std::atomic<bool> supported{false};
std::atomic<int> module_calls{0};   // open ModuleCallScopes
std::atomic<int> host_services{0};  // open HostServiceScopes
std::atomic<std::int64_t> process_blocks{0};
std::atomic<std::int64_t> process_bytes{0};

struct AtomicCounts {
  std::atomic<std::int64_t> allocations{0};
  std::atomic<std::int64_t> releases{0};
  std::atomic<std::int64_t> expected_releases{0};
  std::atomic<std::int64_t> bytes_allocated{0};
  std::atomic<std::int64_t> bytes_released{0};
};
AtomicCounts in_module_calls;

// The latest blocks of owned text handed over, oldest overwritten first.
constexpr unsigned kExpectedBlocks = 16;
std::atomic<const void*> expected_blocks[kExpectedBlocks];
std::atomic<unsigned> next_expected{0};

bool CountingModuleCall() {
  return module_calls.load(std::memory_order_relaxed) > 0 &&
         host_services.load(std::memory_order_relaxed) == 0;
}

// Takes `block` off the expected releases; true when it was on them.
bool TakeExpected(const void* block) {
  for (std::atomic<const void*>& expected : expected_blocks) {
    const void* held = block;
    if (expected.compare_exchange_strong(held, nullptr)) return true;
  }
  return false;
}

}  // namespace

bool Supported() {
  return supported.load();
}

void MarkSupported() noexcept {
  supported.store(true);
}

ModuleCallScope::ModuleCallScope() {
  in_module_calls.allocations = 0;
  in_module_calls.releases = 0;
  in_module_calls.expected_releases = 0;
  in_module_calls.bytes_allocated = 0;
  in_module_calls.bytes_released = 0;
  ++module_calls;
}

ModuleCallScope::~ModuleCallScope() {
  --module_calls;
}

Counts ModuleCallScope::counts() const {
  return {in_module_calls.allocations, in_module_calls.releases, in_module_calls.expected_releases,
          in_module_calls.bytes_allocated, in_module_calls.bytes_released};
}

HostServiceScope::HostServiceScope() {
  ++host_services;
}

HostServiceScope::~HostServiceScope() {
  --host_services;
}

void ExpectRelease(const void* block) {
  expected_blocks[next_expected++ % kExpectedBlocks] = block;
}

ProcessTally TallyOfProcess() {
  return {process_blocks.load(), process_bytes.load()};
}

void NoteAllocation(const void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  ++process_blocks;
  process_bytes += static_cast<std::int64_t>(bytes);
  if (!CountingModuleCall()) return;
  ++in_module_calls.allocations;
  in_module_calls.bytes_allocated += static_cast<std::int64_t>(bytes);
}

void NoteRelease(const void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  --process_blocks;
  process_bytes -= static_cast<std::int64_t>(bytes);
  if (!CountingModuleCall()) return;
  if (TakeExpected(block)) {
    ++in_module_calls.expected_releases;
  } else {
    ++in_module_calls.releases;
  }
  in_module_calls.bytes_released += static_cast<std::int64_t>(bytes);
}

}  // namespace heap_calls
