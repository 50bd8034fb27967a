#include "tools/study-host/replay/replay_steps.h"

#include <cmath>

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"

namespace {

// The table's columns: step, position, order quantity.
const ColumnLayout kStepColumns({6, 10});

std::string QuantityText(double quantity) {
  if (std::isfinite(quantity) && quantity == std::trunc(quantity) && std::fabs(quantity) < 1e15) {
    return std::to_string(static_cast<long long>(quantity));
  }
  return FormatPosition(quantity);  // not a whole number: show it exactly
}

// A JSON number, or a string for values JSON numbers cannot hold.
std::string JsonNumber(double value, const std::string& text) {
  return std::isfinite(value) ? text : "\"" + text + "\"";
}

}  // namespace

std::string ReplayHeader() {
  return kStepColumns.Row({"step", "position", "order quantity"});
}

std::string FormatStep(const ReplayStep& step, bool json) {
  if (json) {
    return "{\"step\":" + std::to_string(step.step) +
           ",\"position\":" + JsonNumber(step.position, FormatPosition(step.position)) +
           ",\"written\":" + (step.written ? "true" : "false") + ",\"order_quantity\":" +
           (step.written ? JsonNumber(step.quantity, QuantityText(step.quantity)) : "null") + "}\n";
  }
  return kStepColumns.Row({std::to_string(step.step), FormatPosition(step.position),
                           step.written ? QuantityText(step.quantity) : "unchanged"});
}
