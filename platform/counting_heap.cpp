#include "platform/counting_heap.h"

#include <cstdlib>
#include <unordered_map>

#include "platform/process_heap.h"

namespace counting_heap {
namespace {

struct HeapState {
  Counts counts;
  std::int64_t fail_countdown = 0;  // > 0: allocations left until the failing one
  bool fail_every = false;
  std::size_t largest_block = 0;  // 0: no limit
  std::unordered_map<const void*, std::size_t> live;
};

// Built on first use, so blocks allocated during static initialisation of
// other objects (the module's credit text) are counted too.
HeapState& State() {
  static HeapState state;
  return state;
}

bool NextAllocationFails(HeapState& state, std::size_t size) {
  if (state.fail_every) return true;
  if (state.largest_block != 0 && size > state.largest_block) return true;
  if (state.fail_countdown > 0 && --state.fail_countdown == 0) return true;
  return false;
}

}  // namespace

Counts Snapshot() {
  return State().counts;
}

void FailNthAllocation(std::int64_t n) {
  State().fail_countdown = n > 0 ? n : 0;
}

void FailEveryAllocation(bool on) {
  State().fail_every = on;
}

void SetLargestBlock(std::size_t size) {
  State().largest_block = size;
}

void StopFailing() {
  State().fail_countdown = 0;
  State().fail_every = false;
}

bool IsLiveBlock(const void* block) {
  return State().live.count(block) != 0;
}

std::size_t BlockSize(const void* block) {
  const auto& live = State().live;
  const auto found = live.find(block);
  return found == live.end() ? 0 : found->second;
}

}  // namespace counting_heap

namespace process_heap {

void* Allocate(std::size_t size) noexcept {
  auto& state = counting_heap::State();
  state.counts.last_request = size;
  if (counting_heap::NextAllocationFails(state, size)) {
    ++state.counts.failures;
    return nullptr;
  }
  void* block = std::malloc(size);
  if (block == nullptr) {
    ++state.counts.failures;
    return nullptr;
  }
  try {
    state.live.emplace(block, size);
  } catch (...) {
    std::free(block);
    ++state.counts.failures;
    return nullptr;
  }
  ++state.counts.allocations;
  ++state.counts.live_blocks;
  return block;
}

void Free(void* block) noexcept {
  auto& state = counting_heap::State();
  const auto found = state.live.find(block);
  if (found == state.live.end()) {
    ++state.counts.unknown_frees;  // not ours or already freed: count it, do not crash
    return;
  }
  state.live.erase(found);
  std::free(block);
  ++state.counts.frees;
  --state.counts.live_blocks;
}

}  // namespace process_heap
