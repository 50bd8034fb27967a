#include "tools/study-host/replay/replay_steps.h"

#include <cmath>

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"

namespace {

constexpr std::size_t kGap = 2;  // blanks between columns

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

std::vector<std::string> Cells(const ReplayStep& step, const StepExpectation& expectation) {
  std::string quantity = step.written ? QuantityText(step.quantity) : "unchanged";
  if (!expectation.met) quantity += "  (expected " + expectation.expected + ")";
  return {std::to_string(step.step), FormatPosition(step.position), quantity};
}

}  // namespace

StepExpectation JudgeStep(const ReplayStep& step, bool expects_unchanged,
                          double expected_quantity) {
  if (expects_unchanged) return {"unchanged", !step.written};
  return {QuantityText(expected_quantity), step.written && step.quantity == expected_quantity};
}

std::string JsonStep(const ReplayStep& step, const StepExpectation& expectation) {
  std::string json =
      "{\"step\":" + std::to_string(step.step) +
      ",\"position\":" + JsonNumber(step.position, FormatPosition(step.position)) +
      ",\"written\":" + (step.written ? "true" : "false") + ",\"order_quantity\":" +
      (step.written ? JsonNumber(step.quantity, QuantityText(step.quantity)) : "null");
  if (!expectation.expected.empty()) {
    json += ",\"expected\":\"" + expectation.expected +
            "\",\"as_expected\":" + (expectation.met ? "true" : "false");
  }
  return json + "}\n";
}

bool StepTable::Widen(const std::vector<std::string>& cells) {
  bool widened = false;
  for (std::size_t column = 0; column < widths_.size(); ++column) {
    if (cells[column].size() + kGap > widths_[column]) {
      widths_[column] = cells[column].size() + kGap;
      widened = true;
    }
  }
  return widened;
}

void StepTable::Fit(long long step, double position) {
  Widen({std::to_string(step), FormatPosition(position)});
}

std::string StepTable::Header() const {
  return ColumnLayout(widths_).Row({"step", "position", "order quantity"});
}

std::string StepTable::Line(const ReplayStep& step, const StepExpectation& expectation) {
  const std::vector<std::string> cells = Cells(step, expectation);
  const bool widened = Widen(cells);
  return (widened ? Header() : "") + ColumnLayout(widths_).Row(cells);
}
