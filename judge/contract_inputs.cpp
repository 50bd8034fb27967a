#include "judge/contract_inputs.h"

#include <algorithm>
#include <cmath>
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

std::int32_t Int32Value(const InputSlot& slot) {
  return ReadSlotArea<std::int32_t>(slot.value);
}

double Float64Value(const InputSlot& slot) {
  return ReadSlotArea<double>(slot.value);
}

template <std::size_t N>
bool OneOf(std::uint8_t code, const std::uint8_t (&codes)[N]) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

// Codes whose value is an int32 (yes/no among them), and those whose value
// is a float64. Every other code but 2 (float32) stores nothing.
bool StoresInt32(std::uint8_t code) {
  constexpr std::uint8_t kCodes[] = {1, 3, 4, 5, 6, 11, 13, 14, 15, 16, 17, 19, 22, 24};
  return OneOf(code, kCodes);
}

bool StoresFloat64(std::uint8_t code) {
  constexpr std::uint8_t kCodes[] = {8, 9, 10, 23, 25};
  return OneOf(code, kCodes);
}

}  // namespace

const InputSlot& SlotForInput(const StudyInterface& record, std::int32_t index) {
  const InputSlotArray& array = record.input_slots;
  if (array.data == nullptr || array.count <= 0) return array.fallback;
  return array.data[index < array.count ? index : array.count - 1];
}

InputSlot& SlotForInput(StudyInterface& record, std::int32_t index) {
  return const_cast<InputSlot&>(SlotForInput(std::as_const(record), index));
}

void SetInput(StudyInterface& record, std::int32_t index, std::int32_t value,
              std::uint8_t type_code) {
  InputSlot& slot = SlotForInput(record, index);
  slot.type_code = type_code;
  WriteSlotArea(slot.value, value);
}

std::int32_t InputAsInteger(const InputSlot& slot) {
  const std::uint8_t code = slot.type_code;
  if (code == kYesNoTypeCode) return Int32Value(slot) == 0 ? 0 : 1;
  if (StoresInt32(code)) return Int32Value(slot);
  if (code == 2) return HalfAwayFromZero(ReadSlotArea<float>(slot.value));
  if (code == 23) return HalfAwayFromZero(Float64Value(slot));
  if (code == 8 || code == 9 || code == 25) {
    const double days = Float64Value(slot);
    if (days == 0) return 0;
    const std::int64_t microseconds = Microseconds(days);
    return Low32Bits(code == 8 ? microseconds / kMicrosecondsInDay
                               : microseconds % kMicrosecondsInDay / 1'000'000);
  }
  return 0;  // 10 has no integer reading; the codes that store nothing read 0
}

std::int32_t InputAsFlag(const InputSlot& slot) {
  const std::uint8_t code = slot.type_code;
  if (StoresInt32(code)) return Int32Value(slot) == 0 ? 0 : 1;
  if (code == 2) return ReadSlotArea<float>(slot.value) == 0 ? 0 : 1;  // not a number is set
  if (StoresFloat64(code)) return Float64Value(slot) == 0 ? 0 : 1;
  return 0;
}

}  // namespace judge
