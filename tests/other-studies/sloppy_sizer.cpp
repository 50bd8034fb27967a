// A sloppy study, as authors write one in a hurry: one input declared
// without a default, two inputs of one name, no description, and no check
// for a host without a position service.
#include "interface/study_kit.h"

STUDY_MODULE("SloppySizer")

STUDY_FUNCTION(SloppySizer) {
  if (record == nullptr) return;
  if (record->defaults_flag != 0) {
    AssignChars(record->display_name, "Sloppy Sizer", 12);
    InputSlot& first = LocateSlot(*record, 0);
    AssignChars(first.name, "Quantity", 8);
    first.type_code = kIntegerTypeCode;  // and no default written
    InputSlot& second = LocateSlot(*record, 1);
    AssignChars(second.name, "Quantity", 8);
    second.type_code = kIntegerTypeCode;
    WriteSlotArea(second.value, std::int32_t{2});
    return;
  }
  ScopedPositionRecord position;
  if (QueryPosition(*record, position) != 0) {  // the service is called unchecked
    record->order_quantity = SlotAsInteger(LocateSlot(*record, 1));
  }
}
