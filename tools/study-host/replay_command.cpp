#include "replay_command.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "declared_inputs.h"
#include "host/stand_in_host.h"
#include "input_settings.h"
#include "module_child.h"
#include "module_loading.h"
#include "session_positions.h"
#include "text_parsing.h"

namespace {

// Column widths of the table: each cell padded to its width, or followed by
// two blanks when wider.
constexpr std::size_t kStepWidth = 6;
constexpr std::size_t kPositionWidth = 10;

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

std::string Padded(const std::string& cell, std::size_t width) {
  return cell + std::string(cell.size() + 2 > width ? 2 : width - cell.size(), ' ');
}

// Where the positions come from: the command line's list, or a session file
// read as the steps go.
class PositionSource {
 public:
  PositionSource(const CommandLine& line, const ChannelWriter& channel) {
    if (line.position_list) {
      list_ = ParsePositionList(*line.position_list);
      return;
    }
    file_ = std::make_unique<SessionFile>(*line.session_file);
    reader_ = std::make_unique<SessionReader>(
        [this](char* buffer, std::size_t size) { return file_->Read(buffer, size); },
        *line.session_file,
        [&channel](bool waiting) { channel.Send(FrameKind::kWaiting, waiting ? "1" : "0"); });
  }

  std::optional<double> Next() {
    if (reader_) return reader_->Next();
    if (next_ == list_.size()) return std::nullopt;
    return list_[next_++];
  }

 private:
  std::vector<double> list_;
  std::size_t next_ = 0;
  std::unique_ptr<SessionFile> file_;
  std::unique_ptr<SessionReader> reader_;
};

}  // namespace

std::string ReplayHeader() {
  return Padded("step", kStepWidth) + Padded("position", kPositionWidth) + "order quantity\n";
}

std::string FormatStep(const ReplayStep& step, bool json) {
  if (json) {
    return "{\"step\":" + std::to_string(step.step) +
           ",\"position\":" + JsonNumber(step.position, FormatPosition(step.position)) +
           ",\"written\":" + (step.written ? "true" : "false") + ",\"order_quantity\":" +
           (step.written ? JsonNumber(step.quantity, QuantityText(step.quantity)) : "null") + "}\n";
  }
  return Padded(std::to_string(step.step), kStepWidth) +
         Padded(FormatPosition(step.position), kPositionWidth) +
         (step.written ? QuantityText(step.quantity) : "unchanged") + "\n";
}

void ReplayInChild(const CommandLine& line, const ChannelWriter& channel) {
  PositionSource positions(line, channel);
  // The first position, and with it the session file's header: their
  // faults show before the module is loaded.
  std::optional<double> position = positions.Next();
  channel.Send(FrameKind::kPhase, "loading the module");
  StudyModule module;
  LoadModuleForHost(line.module_path, module);
  {
    StandInHost host({.slot_count = kOfferedInputSlots});
    channel.Send(FrameKind::kPhase, "the defaults call");
    host.CallDefaults(module.study);
    ApplyInputSettings(host, line.settings);
    host.record().host_call_flag = line.host_call_flag ? 1 : 0;
    if (!line.json) channel.Send(FrameKind::kOutput, ReplayHeader());
    channel.Send(FrameKind::kPhase, kStepsPhase);
    ReplayStep step;
    double current = 0;  // the trade window's quantity as the host holds it
    for (; position; position = positions.Next()) {
      ++step.step;
      step.position = *position;
      host.set_position(*position);
      host.record().order_quantity = kNotWritten;
      host.CallOrdinary(module.study);
      step.written = !SameBits(host.record().order_quantity, kNotWritten);
      if (step.written) current = host.record().order_quantity;
      step.quantity = current;
      host.record().order_quantity = current;
      channel.Send(FrameKind::kStep, FormatStep(step, line.json));
    }
  }
  channel.Send(FrameKind::kPhase, "unloading the module");
  module.library.Close();
  channel.Send(FrameKind::kDone, "");
}
