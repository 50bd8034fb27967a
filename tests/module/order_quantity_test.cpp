#include "study/order_quantity_study.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/call_scenarios.h"
#include "judge/input_values.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "study/study_exports.h"
#include "support/configured_credit.h"
#include "support/edge_numbers.h"
#include "support/heap_check.h"
#include "support/our_judged_study.h"

namespace {

using OrderQuantityTest = HeapCheckedTest;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

struct QuantityCase {
  const char* name;
  double position;
  judge::StudySettings settings;
  double expected;
};

const QuantityCase kQuantityCases[] = {
    {"flat", 0.0, {.scale_out = true}, 4},
    {"flat at -0.0", -0.0, {.scale_out = true}, 4},
    {"in trade", 3, {}, 1},
    {"in trade at NaN", kNaN, {}, 1},
    {"3 at 50% up", 3, {.scale_out = true}, 2},
    {"-3 at 50% down", -3, {.scale_out = true, .round_down = true}, 1},
    {"one unit", 1, {.scale_out = true, .percentage = 5000}, 1},
    {"minus one unit", -1, {.scale_out = true, .percentage = 5000}, 1},
    {"half a unit", 0.5, {.scale_out = true}, 1},
    {"10 at 33% up", 10, {.scale_out = true, .percentage = 33}, 4},
    {"10 at 33% down", 10, {.scale_out = true, .percentage = 33, .round_down = true}, 3},
    {"10 at 5% down raised to 1", 10, {.scale_out = true, .percentage = 5, .round_down = true}, 1},
    {"2 at 100%", 2, {.scale_out = true, .percentage = 100}, 2},
    {"percentage 0", 5, {.scale_out = true, .percentage = 0}, 1},
    {"negative percentage", 5, {.scale_out = true, .percentage = -40}, 1},
    {"3 at 10% down", 3, {.scale_out = true, .percentage = 10, .round_down = true}, 1},
    {"percentage beyond the limits", 3, {.scale_out = true, .percentage = 200}, 6},
    {"multiply before dividing", 100, {.scale_out = true, .percentage = 7}, 7},
    {"fractional position", 2.5, {.scale_out = true, .percentage = 50}, 2},
};

// Each worked example, also judged as a whole call (position record, stray
// writes, services).
TEST_F(OrderQuantityTest, WritesQuantityForPosition) {
  for (const QuantityCase& c : kQuantityCases) {
    SCOPED_TRACE(c.name);
    StandInHost host;
    judge::ApplyStudySettings(host.record(), c.settings);
    host.set_position(c.position);
    EXPECT_EQ(judge::MakeJudgedCall(host, OurJudgedStudy(scsf_zrPalvessa), 0x5A), "");
    EXPECT_EQ(host.record().order_quantity, c.expected);
  }
}

TEST(ScaleOutQuantityTest, ResultsWithoutAnInt32ValueAreMadeDefined) {
  struct Case {
    double position;
    std::int32_t percentage;
    std::int32_t round_down;
    std::int32_t expected;
  };
  const Case cases[] = {
      {kInfinity, 0, 0, 1},  // infinity × 0 is not a number
      {kNaN, 50, 0, 1},
      {1e300, 50, 0, kInt32Max},
      {-kInfinity, 50, 1, kInt32Max},
      {kInfinity, -50, 0, 1},  // minus infinity is below 1
      {4294967296.0, 50, 0, kInt32Max},
      {4294967294.0, 50, 1, kInt32Max},  // 2147483647 exactly
      {4294967292.0, 50, 1, 2147483646},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position << " at " << c.percentage << "%");
    EXPECT_EQ(ScaleOutQuantity(c.position, c.percentage, c.round_down), c.expected);
  }
}

TEST_F(OrderQuantityTest, HostCallFlagWritesInTradeQuantityWithoutQuery) {
  for (const bool enabled : {false, true}) {
    StandInHost host;
    judge::ApplyStudySettings(host.record(),
                              {.enabled = enabled, .in_trade_quantity = 9, .scale_out = true});
    host.set_position(0);
    host.record().host_call_flag = 1;
    host.CallOrdinary(scsf_zrPalvessa);
    EXPECT_EQ(host.record().order_quantity, 9);
    EXPECT_EQ(host.position_queries(), 0);
  }
}

TEST_F(OrderQuantityTest, CallsThatWriteNothing) {
  struct Case {
    const char* name;
    bool enabled;
    std::int32_t defaults_flag;
    std::int32_t host_call_flag;
    bool position_query_service;
  };
  const Case cases[] = {
      {"disabled", false, 0, 0, true},
      {"defaults call", true, 1, 0, true},
      {"defaults call with host call flag", true, 1, 1, true},
      {"no position query service", true, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandInHost host({.position_query_service = c.position_query_service});
    judge::ApplyStudySettings(host.record(), {.enabled = c.enabled});
    host.set_position(3);
    host.MarkQuantityUnwritten();
    host.record().defaults_flag = c.defaults_flag;
    host.record().host_call_flag = c.host_call_flag;
    scsf_zrPalvessa(&host.record());
    EXPECT_FALSE(host.QuantityWritten());
    EXPECT_EQ(host.position_queries(), 0);
  }
}

TEST_F(OrderQuantityTest, RewritesQuantityEqualToCurrentOne) {
  StandInHost host;
  judge::ApplyStudySettings(host.record(), {});
  host.set_position(0);
  host.record().order_quantity = 4;
  host.CallOrdinary(scsf_zrPalvessa);
  host.MarkQuantityUnwritten();
  host.CallOrdinary(scsf_zrPalvessa);
  EXPECT_EQ(host.record().order_quantity, 4);
  EXPECT_EQ(host.position_queries(), 2);
}

TEST_F(OrderQuantityTest, OwnedTextPlacedInPositionRecordIsReleased) {
  StandInHost host;
  judge::ApplyStudySettings(host.record(), {});
  host.set_position(2);
  host.set_position_texts("first", "second");
  const std::int64_t calls_before = HeapCallsSoFar();
  host.CallOrdinary(scsf_zrPalvessa);
  EXPECT_EQ(host.record().order_quantity, 1);
  EXPECT_EQ(LiveBlocksSoFar(), 0) << "both host texts freed";
  EXPECT_EQ(HeapCallsSoFar() - calls_before, 4) << "two host allocations, two module frees";
}

TEST_F(OrderQuantityTest, FallbackSlotServesEveryInput) {
  // With no array, all inputs read the one fallback slot: here a yes/no 1,
  // so the flat quantity is 1 too.
  StandInHost host({.array = ArrayDelivery::kNever});
  judge::SetInputFlag(host.record(), judge::kEnabled, true);
  host.set_position(0);
  host.CallOrdinary(scsf_zrPalvessa);
  EXPECT_EQ(host.record().order_quantity, 1);
  EXPECT_EQ(host.allocate_calls(), 6);
}

TEST(StudyExportsTest, NameVersionAndNullRecord) {
  EXPECT_STREQ(scdll_DLLName(), "zrPalvessa");
  EXPECT_EQ(scdll_DLLVersion(), 2683);
  scsf_zrPalvessa(nullptr);  // must simply return
}

}  // namespace
