// Test fixture that fails a test which leaves a heap block behind or releases
// a block the heap never handed out (double or foreign free).
#pragma once

#include <gtest/gtest.h>

#include "platform/counting_heap.h"

class HeapCheckedTest : public ::testing::Test {
 protected:
  void SetUp() override { before_ = counting_heap::Snapshot(); }
  void TearDown() override {
    counting_heap::StopFailing();
    const counting_heap::Counts after = counting_heap::Snapshot();
    EXPECT_EQ(after.live_blocks, before_.live_blocks) << "heap blocks leaked";
    EXPECT_EQ(after.unknown_frees, before_.unknown_frees) << "double or foreign free";
  }

  // Heap calls (allocations, failures and frees) since the test started.
  std::int64_t HeapCallsSoFar() const {
    return counting_heap::Snapshot().heap_calls() - before_.heap_calls();
  }
  std::int64_t LiveBlocksSoFar() const {
    return counting_heap::Snapshot().live_blocks - before_.live_blocks;
  }

 private:
  counting_heap::Counts before_;
};
