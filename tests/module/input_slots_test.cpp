#include "interface/input_slots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/stand_in_host.h"
#include "interface/input_conversions.h"
#include "judge/input_values.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "study/study_inputs.h"
#include "support/edge_numbers.h"
#include "support/heap_check.h"

namespace {

using InputSlotsTest = HeapCheckedTest;

TEST_F(InputSlotsTest, IndexPastTheEndIsTheLastElement) {
  const struct {
    std::int32_t count;
    std::uint32_t index;
    std::int32_t element;
  } cases[] = {{3, 5, 2}, {3, 1, 1}, {1, 0, 0}, {1, 5, 0}};
  for (const auto& c : cases) {
    StandInHost host({.slot_count = c.count});
    EXPECT_EQ(&LocateSlot(host.record(), c.index), &host.input(c.element))
        << "count " << c.count << ", index " << c.index;
    EXPECT_EQ(host.allocate_calls(), 0);
  }
}

TEST_F(InputSlotsTest, NoAddressableElementIsTheFallbackSlot) {
  struct Case {
    const char* name;
    StandInHostOptions options;
    bool force_count;  // overwrite the count of the host's array with `count`
    std::int32_t count;
    std::int32_t allocate_calls;
  };
  const Case cases[] = {
      {"count 0 with data", {}, true, 0, 0},
      {"negative count", {}, true, -1, 0},
      {"no array, no allocate service",
       {.array = ArrayDelivery::kNever, .allocate_service = false},
       false,
       0,
       0},
      {"no array, allocate service that never supplies one",
       {.array = ArrayDelivery::kNever},
       false,
       0,
       6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandInHost host(c.options);
    if (c.force_count) host.record().input_slots.count = c.count;
    const StudySlots slots = LocateStudySlots(host.record());
    for (InputSlot* slot : slots.slot) {
      EXPECT_EQ(slot, &host.record().input_slots.fallback);
    }
    EXPECT_EQ(host.allocate_calls(), c.allocate_calls) << "one allocate call per lookup";
  }
}

TEST_F(InputSlotsTest, ArrayInstalledOnFirstAllocateCallIsUsedAfterwards) {
  StandInHost host({.array = ArrayDelivery::kOnAllocate});
  ASSERT_FALSE(host.has_array());
  const StudySlots slots = LocateStudySlots(host.record());
  EXPECT_EQ(host.allocate_calls(), 1);
  for (std::int32_t index = 0; index < kStudyInputCount; ++index) {
    EXPECT_EQ(slots.slot[index], &host.input(index));
  }
}

TEST_F(InputSlotsTest, SetSlotDescriptionSkipsMissingService) {
  StandInHost with;
  SetSlotDescription(with.input(2), "text");
  ASSERT_EQ(with.description_calls().size(), 1u);
  EXPECT_EQ(with.description_calls()[0].argument, 2);
  EXPECT_EQ(with.description_calls()[0].text, "text");

  StandInHost without({.set_description_service = false});
  SetSlotDescription(without.input(2), "text");
  EXPECT_TRUE(without.description_calls().empty());
}

// One stored value and how each conversion reads it.
struct ConversionCase {
  std::uint8_t type_code;
  enum { kInt32, kFloat32, kFloat64 } stored;
  double value;
  std::int32_t integer;
  std::int32_t flag;
};

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kEighteenHours = 18 * 3600;

const ConversionCase kConversionCases[] = {
    // Integer-like codes read the int32 as it is.
    {1, ConversionCase::kInt32, -7, -7, 1},
    {3, ConversionCase::kInt32, 3, 3, 1},
    {4, ConversionCase::kInt32, -4, -4, 1},
    {6, ConversionCase::kInt32, 6, 6, 1},
    {11, ConversionCase::kInt32, 2147483647, 2147483647, 1},
    {13, ConversionCase::kInt32, 13, 13, 1},
    {14, ConversionCase::kInt32, 14, 14, 1},
    {15, ConversionCase::kInt32, 15, 15, 1},
    {16, ConversionCase::kInt32, 16, 16, 1},
    {17, ConversionCase::kInt32, 17, 17, 1},
    {19, ConversionCase::kInt32, 19, 19, 1},
    {22, ConversionCase::kInt32, 22, 22, 1},
    {24, ConversionCase::kInt32, -24, -24, 1},
    // Yes/no.
    {5, ConversionCase::kInt32, 7, 1, 1},
    {5, ConversionCase::kInt32, 0, 0, 0},
    // Single precision: the + 0.5 is rounded to a float before truncation.
    {2, ConversionCase::kFloat32, 2.5, 3, 1},
    {2, ConversionCase::kFloat32, -0.7, -1, 1},
    {2, ConversionCase::kFloat32, -2.5, -3, 1},
    {2, ConversionCase::kFloat32, 2.49, 2, 1},
    {2, ConversionCase::kFloat32, 0.49999997, 1, 1},
    {2, ConversionCase::kFloat32, 8388609, 8388610, 1},
    {2, ConversionCase::kFloat32, 0, 0, 0},
    {2, ConversionCase::kFloat32, kNaN, kInt32Min, 1},
    {2, ConversionCase::kFloat32, 3e9, kInt32Min, 1},
    // Double precision.
    {23, ConversionCase::kFloat64, 0.49999999999999994, 1, 1},
    {23, ConversionCase::kFloat64, -2.5, -3, 1},
    {23, ConversionCase::kFloat64, -0.7, -1, 1},
    {23, ConversionCase::kFloat64, kNaN, kInt32Min, 1},
    {23, ConversionCase::kFloat64, -kInfinity, kInt32Min, 1},
    // Days: whole days, and seconds within the day.
    {8, ConversionCase::kFloat64, 2.75, 2, 1},
    {8, ConversionCase::kFloat64, -2.75, -2, 1},
    {8, ConversionCase::kFloat64, 0, 0, 0},
    {8, ConversionCase::kFloat64, kNaN, -106751991, 1},
    {9, ConversionCase::kFloat64, 2.75, kEighteenHours, 1},
    {25, ConversionCase::kFloat64, 2.75, kEighteenHours, 1},
    {9, ConversionCase::kFloat64, -2.75, -kEighteenHours, 1},
    {9, ConversionCase::kFloat64, 0.75, kEighteenHours, 1},
    {25, ConversionCase::kFloat64, -0.75, -kEighteenHours, 1},
    {9, ConversionCase::kFloat64, 0, 0, 0},
    // Microseconds rounded half away from zero: .6 of one rounds up to the next second.
    {9, ConversionCase::kFloat64, 64800999999.6 / 86400000000.0, kEighteenHours + 1, 1},
    {25, ConversionCase::kFloat64, -64800999999.6 / 86400000000.0, -kEighteenHours - 1, 1},
    {9, ConversionCase::kFloat64, 64800950000.0 / 86400000000.0, kEighteenHours, 1},
    {25, ConversionCase::kFloat64, 1e300, -14454, 1},  // out-of-range count: smallest int64
    // Float64 with no integer reading.
    {10, ConversionCase::kFloat64, 2.75, 0, 1},
    {10, ConversionCase::kFloat64, 0, 0, 0},
    // Codes that carry nothing.
    {0, ConversionCase::kInt32, 5, 0, 0},
    {7, ConversionCase::kInt32, 5, 0, 0},
    {12, ConversionCase::kInt32, 5, 0, 0},
    {18, ConversionCase::kInt32, 5, 0, 0},
    {20, ConversionCase::kInt32, 5, 0, 0},
    {21, ConversionCase::kInt32, 5, 0, 0},
    {26, ConversionCase::kInt32, 5, 0, 0},
    {200, ConversionCase::kFloat64, 2.75, 0, 0},
    {255, ConversionCase::kInt32, -1, 0, 0},
};

TEST(InputConversionsTest, EveryTypeCodeReadsAsTheTableSays) {
  for (const ConversionCase& c : kConversionCases) {
    SCOPED_TRACE(testing::Message() << "type code " << int{c.type_code} << " value " << c.value);
    InputSlot slot{};
    slot.type_code = c.type_code;
    switch (c.stored) {
      case ConversionCase::kInt32:
        WriteSlotArea(slot.value, static_cast<std::int32_t>(c.value));
        break;
      case ConversionCase::kFloat32:
        WriteSlotArea(slot.value, static_cast<float>(c.value));
        break;
      case ConversionCase::kFloat64:
        WriteSlotArea(slot.value, c.value);
        break;
    }
    EXPECT_EQ(SlotAsInteger(slot), c.integer);
    EXPECT_EQ(SlotAsFlag(slot), c.flag);
    EXPECT_EQ(SlotAsIntegerByTable(slot), c.integer) << "the table agrees with the fast path";
    EXPECT_EQ(SlotAsFlagByTable(slot), c.flag) << "the table agrees with the fast path";
    EXPECT_EQ(judge::InputAsInteger(slot), c.integer) << "the judge reads it alike";
    EXPECT_EQ(judge::InputAsFlag(slot), c.flag) << "the judge reads it alike";
  }
}

}  // namespace

namespace {

// Each type code's value as the tool stores it (describe, edge calls) and
// shows it, named as a host's users know the code.
TEST(InputWordsTest, EveryTypeCodeStoresAndShowsItsValueAsItsUsersKnowIt) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    std::uint8_t type_code;
    double number;     // what is stored
    const char* name;  // the code's name
    const char* text;  // the stored value as shown
    double stored;     // the stored value read back as a number
  } rows[] = {
      {5, 1, "yes/no", "yes", 1},
      {5, 0, "yes/no", "no", 0},
      {5, 2.6, "yes/no", "yes", 3},
      {11, 12, "whole number", "12", 12},
      {11, 2.5, "whole number", "3", 3},  // half away from zero
      {11, -2.5, "whole number", "-3", -3},
      {11, 1e12, "whole number", "2147483647", 2147483647},  // held to the int32 range
      {11, -1e12, "whole number", "-2147483648", -2147483648.0},
      {11, nan, "whole number", "0", 0},
      {1, 7, "whole number (type code 1)", "7", 7},
      {24, -7, "whole number (type code 24)", "-7", -7},
      {2, 2.5, "decimal number (single precision)", "2.5", 2.5},
      {2, 0.1, "decimal number (single precision)", "0.1", static_cast<float>(0.1)},
      {23, 0.1, "decimal number (double precision)", "0.1", 0.1},
      {8, 45292, "date (days)", "45292 (days)", 45292},
      {9, 0.75, "time of day", "18:00:00", 0.75},
      {9, -0.25, "time of day", "18:00:00", -0.25},  // the time of the day before
      {9, 1.5, "time of day", "12:00:00", 1.5},
      {25, 0.5, "time of day (type code 25)", "12:00:00", 0.5},
      {10, 45292.5, "date and time (days)", "45292.5 (days)", 45292.5},
      {7, 5, "no value (type code 7)", "-", 0},
      {26, 5, "undefined type code 26", "-", 0},
      {200, 5, "undefined type code 200", "-", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "type code " << int{row.type_code} << ", " << row.number);
    SlotArea value{};
    judge::StoreNumber(row.type_code, row.number, value);
    EXPECT_EQ(judge::TypeCodeName(row.type_code), row.name);
    EXPECT_EQ(judge::ValueText(row.type_code, value), row.text);
    EXPECT_EQ(judge::StoredNumber(row.type_code, value), row.stored);
  }
}

}  // namespace
