#include "judge/input_values.h"

#include "judge/number_words.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <utility>

namespace judge {
namespace {

constexpr std::int64_t kMicrosecondsInDay = 86'400'000'000;

// Truncated toward zero, or the smallest value of `Integer` when `x` has
// none (not a number, or beyond the range).
template <typename Integer>
Integer TruncatedOrSmallest(double x) {
  constexpr double kLimit = -static_cast<double>(std::numeric_limits<Integer>::min());  // 2^(n-1)
  if (std::isnan(x) || std::trunc(x) >= kLimit || std::trunc(x) < -kLimit) {
    return std::numeric_limits<Integer>::min();
  }
  return static_cast<Integer>(x);
}

// Half away from zero: x ± 0.5, then truncated. `Real` fixes the precision
// of the sum.
template <typename Real>
std::int32_t HalfAwayFromZero(Real x) {
  const Real half = static_cast<Real>(0.5);
  const Real shifted = x < 0 ? x - half : x + half;
  return TruncatedOrSmallest<std::int32_t>(static_cast<double>(shifted));
}

// A float64 count of days as whole microseconds, rounded half away from zero.
std::int64_t Microseconds(double days) {
  const double scaled = days * static_cast<double>(kMicrosecondsInDay);
  return TruncatedOrSmallest<std::int64_t>(days < 0 ? scaled - 0.5 : scaled + 0.5);
}

std::int32_t Low32Bits(std::int64_t x) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(x & 0xFFFFFFFF));
}

template <std::size_t N>
bool OneOf(std::uint8_t code, const std::uint8_t (&codes)[N]) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

// The shortest text that reads back as `x` in its own precision: a float's
// 2.5 as "2.5", not as the double it widens to.
std::string Shortest(double x, bool single_precision) {
  if (!single_precision || !std::isfinite(x)) return NumberWords(x);
  char text[48];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(x));
  return std::string(text, result.ptr);
}

std::string TwoDigits(std::int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%02lld", static_cast<long long>(value));
  return text;
}

}  // namespace

TypeCode TypeCodeOf(std::uint8_t code) {
  constexpr std::uint8_t kWholeNumbers[] = {1, 3, 4, 6, 11, 13, 14, 15, 16, 17, 19, 22, 24};
  if (code == kYesNoTypeCode) return {ValueStorage::kInt32, ValueMeaning::kYesNo};
  if (OneOf(code, kWholeNumbers)) return {ValueStorage::kInt32, ValueMeaning::kWholeNumber};
  if (code == 2) return {ValueStorage::kFloat32, ValueMeaning::kNumber};
  if (code == 23) return {ValueStorage::kFloat64, ValueMeaning::kNumber};
  if (code == 8) return {ValueStorage::kFloat64, ValueMeaning::kDate};
  if (code == 9 || code == 25) return {ValueStorage::kFloat64, ValueMeaning::kTimeOfDay};
  if (code == 10) return {ValueStorage::kFloat64, ValueMeaning::kDateTime};
  if (code > kHighestTypeCode) return {ValueStorage::kNothing, ValueMeaning::kUndefined};
  return {ValueStorage::kNothing, ValueMeaning::kNoValue};
}

std::string TypeCodeName(std::uint8_t code) {
  const std::string number = std::to_string(code);
  switch (TypeCodeOf(code).meaning) {
    case ValueMeaning::kYesNo:
      return "yes/no";
    case ValueMeaning::kWholeNumber:
      return code == kIntegerTypeCode ? "whole number" : "whole number (type code " + number + ")";
    case ValueMeaning::kNumber:
      return code == 2 ? "decimal number (single precision)" : "decimal number (double precision)";
    case ValueMeaning::kDate:
      return "date (days)";
    case ValueMeaning::kTimeOfDay:
      return code == 9 ? "time of day" : "time of day (type code 25)";
    case ValueMeaning::kDateTime:
      return "date and time (days)";
    case ValueMeaning::kNoValue:
      return "no value (type code " + number + ")";
    case ValueMeaning::kUndefined:
      break;
  }
  return "undefined type code " + number;
}

const InputSlot& SlotForInput(const StudyInterface& record, std::int32_t index) {
  const InputSlotArray& array = record.input_slots;
  if (array.data == nullptr || array.count <= 0) return array.fallback;
  return array.data[index < array.count ? index : array.count - 1];
}

InputSlot& SlotForInput(StudyInterface& record, std::int32_t index) {
  return const_cast<InputSlot&>(SlotForInput(std::as_const(record), index));
}

std::int32_t InputAsInteger(const InputSlot& slot) {
  const std::uint8_t code = slot.type_code;
  const std::int32_t int32 = ReadSlotArea<std::int32_t>(slot.value);
  const double float64 = ReadSlotArea<double>(slot.value);
  if (code == kYesNoTypeCode) return int32 == 0 ? 0 : 1;
  if (TypeCodeOf(code).storage == ValueStorage::kInt32) return int32;
  if (code == 2) return HalfAwayFromZero(ReadSlotArea<float>(slot.value));
  if (code == 23) return HalfAwayFromZero(float64);
  if (code == 8 || code == 9 || code == 25) {
    if (float64 == 0) return 0;
    const std::int64_t microseconds = Microseconds(float64);
    return Low32Bits(code == 8 ? microseconds / kMicrosecondsInDay
                               : microseconds % kMicrosecondsInDay / 1'000'000);
  }
  return 0;  // 10 has no integer reading; the codes that store nothing read 0
}

std::int32_t InputAsFlag(const InputSlot& slot) {
  switch (TypeCodeOf(slot.type_code).storage) {
    case ValueStorage::kInt32:
      return ReadSlotArea<std::int32_t>(slot.value) == 0 ? 0 : 1;
    case ValueStorage::kFloat32:  // not a number is set
      return ReadSlotArea<float>(slot.value) == 0 ? 0 : 1;
    case ValueStorage::kFloat64:
      return ReadSlotArea<double>(slot.value) == 0 ? 0 : 1;
    case ValueStorage::kNothing:
      break;
  }
  return 0;
}

double StoredNumber(std::uint8_t code, const SlotArea& value) {
  switch (TypeCodeOf(code).storage) {
    case ValueStorage::kInt32:
      return ReadSlotArea<std::int32_t>(value);
    case ValueStorage::kFloat32:
      return ReadSlotArea<float>(value);
    case ValueStorage::kFloat64:
      return ReadSlotArea<double>(value);
    case ValueStorage::kNothing:
      break;
  }
  return 0;
}

void StoreNumber(std::uint8_t code, double number, SlotArea& value) {
  switch (TypeCodeOf(code).storage) {
    case ValueStorage::kInt32: {
      constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
      constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
      const double rounded = std::isnan(number) ? 0 : std::round(number);
      WriteSlotArea(value, static_cast<std::int32_t>(std::clamp(rounded, kLowest, kHighest)));
      break;
    }
    case ValueStorage::kFloat32:
      WriteSlotArea(value, static_cast<float>(number));
      break;
    case ValueStorage::kFloat64:
      WriteSlotArea(value, number);
      break;
    case ValueStorage::kNothing:
      break;
  }
}

std::string ValueText(std::uint8_t code, const SlotArea& value) {
  const TypeCode type = TypeCodeOf(code);
  const double number = StoredNumber(code, value);
  switch (type.meaning) {
    case ValueMeaning::kYesNo:
      return ReadSlotArea<std::int32_t>(value) != 0 ? "yes" : "no";
    case ValueMeaning::kWholeNumber:
      return std::to_string(ReadSlotArea<std::int32_t>(value));
    case ValueMeaning::kNumber:
      return Shortest(number, type.storage == ValueStorage::kFloat32);
    case ValueMeaning::kTimeOfDay: {
      if (!std::isfinite(number)) return NumberWords(number) + " (days)";
      const double day_part = number - std::floor(number);
      auto seconds = static_cast<std::int64_t>(std::llround(day_part * 86400.0)) % 86400;
      return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
             TwoDigits(seconds % 60);
    }
    case ValueMeaning::kDate:
    case ValueMeaning::kDateTime:
      return NumberWords(number) + " (days)";
    case ValueMeaning::kNoValue:
    case ValueMeaning::kUndefined:
      break;
  }
  return "-";
}

}  // namespace judge
