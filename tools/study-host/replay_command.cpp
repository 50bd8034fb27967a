#include "replay_command.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "declared_inputs.h"
#include "host/stand_in_host.h"
#include "input_settings.h"
#include "module_loading.h"
#include "text_parsing.h"
#include "text_table.h"

namespace {

// Stored in the order quantity before each call: a NaN no module writes,
// since a module writes whole numbers only.
const double kNotWritten = [] {
  const std::uint64_t bits = 0x7ff8dead5eedbeefULL;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}();

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

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

std::vector<ReplayStep> RunReplay(const std::string& path,
                                  const std::vector<InputSetting>& settings,
                                  const std::vector<double>& positions, bool host_call_flag) {
  StudyModule module;
  LoadModuleForHost(path, module);
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.CallDefaults(module.study);
  ApplyInputSettings(host, settings);
  host.record().host_call_flag = host_call_flag ? 1 : 0;

  std::vector<ReplayStep> steps;
  double current = 0;  // the trade window's quantity as the host holds it
  for (double position : positions) {
    ReplayStep step;
    step.step = static_cast<int>(steps.size()) + 1;
    step.position = position;
    host.set_position(position);
    host.record().order_quantity = kNotWritten;
    host.CallOrdinary(module.study);
    step.written = !SameBits(host.record().order_quantity, kNotWritten);
    if (step.written) current = host.record().order_quantity;
    step.quantity = current;
    host.record().order_quantity = current;
    steps.push_back(step);
  }
  return steps;
}

std::string FormatReplayTable(const std::vector<ReplayStep>& steps) {
  TextTable table({"step", "position", "order quantity"});
  for (const ReplayStep& step : steps) {
    table.AddRow({std::to_string(step.step), FormatPosition(step.position),
                  step.written ? QuantityText(step.quantity) : "unchanged"});
  }
  return table.Render();
}

std::string FormatReplayJson(const std::vector<ReplayStep>& steps) {
  std::string out;
  for (const ReplayStep& step : steps) {
    out += "{\"step\":" + std::to_string(step.step) +
           ",\"position\":" + JsonNumber(step.position, FormatPosition(step.position)) +
           ",\"written\":" + (step.written ? "true" : "false") + ",\"order_quantity\":" +
           (step.written ? JsonNumber(step.quantity, QuantityText(step.quantity)) : "null") + "}\n";
  }
  return out;
}
