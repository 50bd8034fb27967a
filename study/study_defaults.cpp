#include "study/study_defaults.h"

#include "interface/input_conversions.h"

namespace {

constexpr char kDescriptionSentence[] =
    "<br><br>This Study Automatically Updates your Trade Window Order Quantity based on Flat vs "
    "Open positions.";

struct InputDeclaration {
  const char* name;
  std::int32_t name_length;
  const char* description;  // null: the input has none
  std::uint8_t type_code;
  std::int32_t default_value;
  bool has_limits;
  std::int32_t lower_limit;
  std::int32_t upper_limit;
};

constexpr InputDeclaration kInputDeclarations[kStudyInputCount] = {
    {"Enabled", 7, "Enable or Disable the Study", kYesNoTypeCode, 0, false, 0, 0},
    {"Position Qty While Flat", 23, "This is your default qty you want to enter a position with.",
     kIntegerTypeCode, 4, false, 0, 0},
    {"Position Qty During Trade", 25, "After your orders are filled, this is the NEW position qty.",
     kIntegerTypeCode, 1, false, 0, 0},
    {"Scale Out of Position", 21, nullptr, kYesNoTypeCode, 0, false, 0, 0},
    {"Scale Out Percentage", 20, nullptr, kIntegerTypeCode, 50, true, 1, 100},
    {"Round Scale Out Quantity Down (default is up)", 45, nullptr, kYesNoTypeCode, 0, false, 0, 0},
};

void DeclareInput(InputSlot& slot, const InputDeclaration& input) {
  AssignChars(slot.name, input.name, input.name_length);
  slot.name.changed = 1;
  if (input.description != nullptr) SetSlotDescription(slot, input.description);
  slot.type_code = input.type_code;
  WriteSlotArea(slot.value, input.default_value);
  if (input.has_limits) {
    WriteSlotArea(slot.lower_limit, input.lower_limit);
    WriteSlotArea(slot.upper_limit, input.upper_limit);
  }
}

void WriteDisplayName(StudyInterface& record) {
  AssignChars(record.display_name, kStudyDisplayName, sizeof kStudyDisplayName - 1);
  record.display_name.changed = 1;
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
}
