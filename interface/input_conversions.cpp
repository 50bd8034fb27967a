#include "interface/input_conversions.h"

#include <cmath>
#include <initializer_list>

#include "interface/checked_conversions.h"

namespace {

constexpr std::int64_t kMicrosecondsPerDay = 86400000000;
constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

// How a type code stores its value and which conversion applies.
enum class StoredKind {
  kInteger,      // int32, read as is
  kYesNo,        // int32, read as 0 or 1
  kFloat32,      // float32, rounded half away from zero in single precision
  kFloat64,      // float64, rounded half away from zero in double precision
  kDays,         // float64 days: whole days
  kTimeOfDay,    // float64 days: seconds within the day
  kFloat64Only,  // float64 with no integer reading
  kNothing,      // no value
};

struct KindTable {
  StoredKind kind[256];
};

constexpr KindTable BuildKindTable() {
  KindTable table{};
  for (StoredKind& kind : table.kind) kind = StoredKind::kNothing;
  for (int code : {1, 3, 4, 6, 11, 13, 14, 15, 16, 17, 19, 22, 24}) {
    table.kind[code] = StoredKind::kInteger;
  }
  table.kind[5] = StoredKind::kYesNo;
  table.kind[2] = StoredKind::kFloat32;
  table.kind[23] = StoredKind::kFloat64;
  table.kind[8] = StoredKind::kDays;
  table.kind[9] = StoredKind::kTimeOfDay;
  table.kind[25] = StoredKind::kTimeOfDay;
  table.kind[10] = StoredKind::kFloat64Only;
  return table;
}

constexpr KindTable kKindOfTypeCode = BuildKindTable();

StoredKind KindOf(std::uint8_t type_code) {
  return kKindOfTypeCode.kind[type_code];
}

std::int32_t StoredInt32(const InputSlot& slot) {
  return ReadSlotArea<std::int32_t>(slot.value);
}

float StoredFloat32(const InputSlot& slot) {
  return ReadSlotArea<float>(slot.value);
}

double StoredFloat64(const InputSlot& slot) {
  return ReadSlotArea<double>(slot.value);
}

// Half away from zero: a half with x's own sign is added, then the sum is
// truncated (for 0 and -0 either half gives 0).

// x × microseconds per day, rounded half away from zero to a whole count.
std::int64_t DaysToMicroseconds(double days) {
  const double scaled = days * static_cast<double>(kMicrosecondsPerDay);
  return TruncateToInt64(scaled + std::copysign(0.5, scaled));
}

// Both give 0 for 0 days (and -0) without a case of their own.
std::int32_t WholeDays(double days) {
  return LowWord(DaysToMicroseconds(days) / kMicrosecondsPerDay);
}

std::int32_t SecondsWithinDay(double days) {
  return LowWord(DaysToMicroseconds(days) % kMicrosecondsPerDay / kMicrosecondsPerSecond);
}

std::int32_t RoundHalfAwayFromZero(float x) {
  const float rounded = x + std::copysign(0.5f, x);  // single-precision sum, then truncate
  return TruncateToInt32(static_cast<double>(rounded));
}

std::int32_t RoundHalfAwayFromZero(double x) {
  return TruncateToInt32(x + std::copysign(0.5, x));
}

}  // namespace

std::int32_t SlotAsIntegerByTable(const InputSlot& slot) {
  switch (KindOf(slot.type_code)) {
    case StoredKind::kInteger:
      return StoredInt32(slot);
    case StoredKind::kYesNo:
      return StoredInt32(slot) != 0 ? 1 : 0;
    case StoredKind::kFloat32:
      return RoundHalfAwayFromZero(StoredFloat32(slot));
    case StoredKind::kFloat64:
      return RoundHalfAwayFromZero(StoredFloat64(slot));
    case StoredKind::kDays:
      return WholeDays(StoredFloat64(slot));
    case StoredKind::kTimeOfDay:
      return SecondsWithinDay(StoredFloat64(slot));
    case StoredKind::kFloat64Only:
    case StoredKind::kNothing:
      break;
  }
  return 0;
}

std::int32_t SlotAsFlagByTable(const InputSlot& slot) {
  switch (KindOf(slot.type_code)) {
    case StoredKind::kInteger:
    case StoredKind::kYesNo:
      return StoredInt32(slot) != 0 ? 1 : 0;
    case StoredKind::kFloat32:
      return StoredFloat32(slot) != 0 ? 1 : 0;  // NaN is not 0
    case StoredKind::kFloat64:
    case StoredKind::kDays:
    case StoredKind::kTimeOfDay:
    case StoredKind::kFloat64Only:
      return StoredFloat64(slot) != 0 ? 1 : 0;
    case StoredKind::kNothing:
      break;
  }
  return 0;
}

double SlotAsNumber(const InputSlot& slot) {
  switch (KindOf(slot.type_code)) {
    case StoredKind::kInteger:
    case StoredKind::kYesNo:
      return StoredInt32(slot);
    case StoredKind::kFloat32:
      return StoredFloat32(slot);
    case StoredKind::kFloat64:
    case StoredKind::kDays:
    case StoredKind::kTimeOfDay:
    case StoredKind::kFloat64Only:
      return StoredFloat64(slot);
    case StoredKind::kNothing:
      break;
  }
  return 0;
}
