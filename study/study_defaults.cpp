#include "study/study_defaults.h"

#include <string_view>

#include "interface/input_conversions.h"

namespace {

constexpr std::string_view kStudyDisplayName = "zr: Palvessa";

constexpr char kDescriptionSentence[] =
    "<br><br>This Study Automatically Updates your Trade Window Order Quantity based on Flat vs "
    "Open positions.";

struct InputDeclaration {
  std::string_view name;
  const char* description;  // null: the input has none
  std::uint8_t type_code;
  std::int32_t default_value;
};

constexpr InputDeclaration kInputDeclarations[kStudyInputCount] = {
    {"Enabled", "Enable or Disable the Study", kYesNoTypeCode, 0},
    {"Position Qty While Flat", "This is your default qty you want to enter a position with.",
     kIntegerTypeCode, 4},
    {"Position Qty During Trade", "After your orders are filled, this is the NEW position qty.",
     kIntegerTypeCode, 1},
    {"Scale Out of Position", nullptr, kYesNoTypeCode, 0},
    {"Scale Out Percentage", nullptr, kIntegerTypeCode, 50},
    {"Round Scale Out Quantity Down (default is up)", nullptr, kYesNoTypeCode, 0},
};

// The one input with limits, and its limits.
constexpr StudyInput kLimitedInput = kScaleOutPercentageInput;
constexpr std::int32_t kLowerLimit = 1;
constexpr std::int32_t kUpperLimit = 100;

// AssignChars marks the name changed.
void DeclareInput(InputSlot& slot, const InputDeclaration& input) {
  AssignChars(slot.name, input.name.data(), static_cast<std::int32_t>(input.name.size()));
  if (input.description != nullptr) SetSlotDescription(slot, input.description);
  slot.type_code = input.type_code;
  WriteSlotArea(slot.value, input.default_value);
}

void DeclareLimits(InputSlot& slot) {
  WriteSlotArea(slot.lower_limit, kLowerLimit);
  WriteSlotArea(slot.upper_limit, kUpperLimit);
}

void WriteDisplayName(StudyInterface& record) {
  AssignChars(record.display_name, kStudyDisplayName.data(),
              static_cast<std::int32_t>(kStudyDisplayName.size()));
}

// The description: bold display name, " by ", the credit, then the sentence.
// `temporary` is the caller's, so it is released on every way out.
void WriteDescription(StudyInterface& record, const StudyText& credit, StudyText& temporary) {
  FormatText(temporary, "<b>%s</b> by %s", TextOrEmpty(record.display_name), TextOrEmpty(credit));
  AppendText(temporary, kDescriptionSentence);
  CopyText(record.description, temporary);
}

void WriteHostSettings(StudyInterface& record) {
  record.host_setting_892 = 0;
  record.host_setting_16 = 0;
  record.host_setting_176 = 1;
}

}  // namespace

void ApplyDefaults(StudyInterface& record, const StudySlots& slots, const StudyText& credit) {
  ScopedStudyText description;  // released last, after the inputs are declared
  WriteDisplayName(record);
  WriteDescription(record, credit, description.get());
  WriteHostSettings(record);
  for (std::int32_t index = 0; index < kStudyInputCount; ++index) {
    DeclareInput(*slots.slot[index], kInputDeclarations[index]);
  }
  DeclareLimits(slots[kLimitedInput]);
}
