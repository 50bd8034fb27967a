// A module with two study functions: one sets the order quantity while
// flat, the other while a position is open. Each declares one input.
#include <cmath>

#include "interface/study_kit.h"

namespace {

// Declares the one input each study has: a name and a default.
template <typename Value>
void DeclareOnlyInput(StudyInterface& record, const char* display_name, const char* name,
                      std::uint8_t type_code, Value default_value) {
  AssignChars(record.display_name, display_name, 64);
  FormatText(record.description, "<b>%s</b>: one input, one quantity.", display_name);
  InputSlot& slot = LocateSlot(record, 0);
  AssignChars(slot.name, name, 64);
  slot.type_code = type_code;
  WriteSlotArea(slot.value, default_value);
}

// The position the host reports, or none without its service.
bool Position(StudyInterface& record, double& position) {
  if (record.position_query == nullptr) return false;
  ScopedPositionRecord query;
  position = QueryPosition(record, query);
  return true;
}

}  // namespace

STUDY_MODULE("TwoSizers")

STUDY_FUNCTION(FlatSizer) {
  if (record == nullptr) return;
  if (record->defaults_flag != 0) {
    DeclareOnlyInput(*record, "Flat Sizer", "Flat Quantity", kIntegerTypeCode, std::int32_t{3});
    return;
  }
  double position = 0;
  if (Position(*record, position) && position == 0) {
    record->order_quantity = SlotAsInteger(LocateSlot(*record, 0));
  }
}

STUDY_FUNCTION(TradeSizer) {
  if (record == nullptr) return;
  if (record->defaults_flag != 0) {
    DeclareOnlyInput(*record, "Trade Sizer", "In-Trade Quantity", std::uint8_t{23}, 1.5);
    return;
  }
  double position = 0;
  if (Position(*record, position) && position != 0) {
    const double wanted = std::round(SlotAsNumber(LocateSlot(*record, 0)));
    record->order_quantity = std::isfinite(wanted) ? std::fmax(wanted, 1.0) : 1.0;
  }
}
