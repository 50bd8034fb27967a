// Step Sizer: an example study made with the study kit. While flat it sets
// the order quantity to "Base Quantity" times "Risk Multiplier"; while a
// position is open it adds one unit for every "Step Size" of the position,
// never beyond "Largest Quantity" and never below 1.
#include <cmath>
#include <cstring>

#include "interface/study_kit.h"

namespace {

enum Input : std::int32_t {
  kEnabled,
  kBaseQuantity,
  kStepSize,
  kRiskMultiplier,
  kSessionStart,
  kLargestQuantity,
};

constexpr std::uint8_t kSinglePrecisionTypeCode = 2;
constexpr std::uint8_t kDoublePrecisionTypeCode = 23;
constexpr std::uint8_t kTimeOfDayTypeCode = 9;

// Names an input and gives it its type, its default and, when it has any,
// its limits (stored as its type stores its value).
template <typename Value>
void Declare(InputSlot& slot, const char* name, std::uint8_t type_code, Value default_value) {
  AssignChars(slot.name, name, static_cast<std::int32_t>(std::strlen(name)));
  slot.type_code = type_code;
  WriteSlotArea(slot.value, default_value);
}

template <typename Value>
void Limit(InputSlot& slot, Value lower, Value upper) {
  WriteSlotArea(slot.lower_limit, lower);
  WriteSlotArea(slot.upper_limit, upper);
}

void ApplyDefaults(StudyInterface& record) {
  AssignChars(record.display_name, "Step Sizer", 10);
  FormatText(record.description,
             "<b>Step Sizer</b>: sizes the next order from the open position, one unit more for "
             "every step of the position's size.");
  InputSlot& enabled = LocateSlot(record, kEnabled);
  Declare(enabled, "Enabled", kYesNoTypeCode, std::int32_t{1});
  SetSlotDescription(enabled, "Switch the study on or off.");
  InputSlot& base = LocateSlot(record, kBaseQuantity);
  Declare(base, "Base Quantity", kIntegerTypeCode, std::int32_t{2});
  Limit(base, std::int32_t{1}, std::int32_t{1000});
  SetSlotDescription(base, "The quantity while flat, before the multiplier.");
  InputSlot& step = LocateSlot(record, kStepSize);
  Declare(step, "Step Size", kSinglePrecisionTypeCode, 2.5f);
  Limit(step, 0.5f, 100.0f);
  SetSlotDescription(step, "One more unit for every step of this size.");
  InputSlot& risk = LocateSlot(record, kRiskMultiplier);
  Declare(risk, "Risk Multiplier", kDoublePrecisionTypeCode, 1.25);
  Limit(risk, 0.0, 10.0);
  SetSlotDescription(risk, "Multiplies the base quantity.");
  InputSlot& start = LocateSlot(record, kSessionStart);
  Declare(start, "Session Start", kTimeOfDayTypeCode, 0.375);  // 09:00
  SetSlotDescription(start, "When your session starts, for your own reference.");
  InputSlot& largest = LocateSlot(record, kLargestQuantity);
  Declare(largest, "Largest Quantity", kIntegerTypeCode, std::int32_t{100});
  Limit(largest, std::int32_t{1}, std::int32_t{100000});
  SetSlotDescription(largest, "The quantity is never larger.");
}

// `value` held between 1 and `largest` (at least 1), as a whole number; a
// value that is not a number gives 1.
double Bounded(double value, double largest) {
  const double top = largest >= 1 ? std::floor(largest) : 1;
  if (std::isnan(value)) return 1;
  return std::fmin(std::fmax(std::floor(value), 1.0), top);
}

void UpdateOrderQuantity(StudyInterface& record) {
  if (SlotAsFlag(LocateSlot(record, kEnabled)) == 0 || record.position_query == nullptr) return;
  const double base = SlotAsInteger(LocateSlot(record, kBaseQuantity)) *
                      SlotAsNumber(LocateSlot(record, kRiskMultiplier));
  const double largest = SlotAsInteger(LocateSlot(record, kLargestQuantity));
  ScopedPositionRecord position;
  const double size = std::fabs(QueryPosition(record, position));
  const double step = SlotAsNumber(LocateSlot(record, kStepSize));
  double quantity = base;
  if (size > 0 && step > 0 && std::isfinite(size)) quantity += std::floor(size / step);
  record.order_quantity = Bounded(std::round(quantity), largest);
}

}  // namespace

STUDY_MODULE("StepSizer")

STUDY_FUNCTION(StepSizer) {
  if (record == nullptr) return;
  if (record->defaults_flag != 0) {
    ApplyDefaults(*record);
  } else {
    UpdateOrderQuantity(*record);
  }
}
