#include "host/call_judge.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>

#include "interface/input_conversions.h"
#include "interface/input_slots.h"

namespace {

// The slot the study read for input `index`: the array as it is after the
// call, which includes one the host supplied during it.
InputSlot& SlotForInput(StandInHost& host, std::int32_t index) {
  return SlotInCurrentArray(host.record(), index);
}

// Scale-out quantity where it has one; none for a result that is not a
// number or does not fit an int32, which the host contract leaves open.
std::optional<double> ReferenceScaleOut(double position, std::int32_t percentage, bool down) {
  const double size = std::fabs(position);
  if (!(size > 1.0)) return 1.0;
  double scaled = static_cast<double>(percentage) * size / 100.0;
  scaled = down ? std::floor(scaled) : std::ceil(scaled);
  if (std::isnan(scaled) || scaled >= 2147483648.0) return std::nullopt;
  return scaled < 1.0 ? 1.0 : scaled;
}

struct Expectation {
  bool query = false;
  bool written = false;
  std::optional<double> quantity;  // exact value where the contract fixes one
  bool scale_out = false;          // the written quantity is a scale-out quantity
};

Expectation Expect(const CallSetup& setup, StandInHost& host) {
  Expectation expected;
  if (setup.defaults) return expected;
  if (setup.host_call_flag) {
    expected.written = true;
    expected.quantity = SlotAsInteger(SlotForInput(host, 2));
    return expected;
  }
  if (SlotAsFlag(SlotForInput(host, 0)) == 0 || host.record().position_query == nullptr) {
    return expected;
  }
  expected.query = true;
  expected.written = true;
  if (setup.position == 0.0) {
    expected.quantity = SlotAsInteger(SlotForInput(host, 1));
  } else if (SlotAsFlag(SlotForInput(host, 3)) == 1) {
    expected.scale_out = true;
    expected.quantity = ReferenceScaleOut(setup.position, SlotAsInteger(SlotForInput(host, 4)),
                                          SlotAsFlag(SlotForInput(host, 5)) == 1);
  } else {
    expected.quantity = SlotAsInteger(SlotForInput(host, 2));
  }
  return expected;
}

// One allocate call per lookup while the array is missing: six, unless the
// first call supplies it.
std::int32_t ExpectedAllocateCalls(const StandInHostOptions& options, bool had_array) {
  if (had_array || !options.allocate_service) return 0;
  if (options.array == ArrayDelivery::kOnAllocate && options.slot_count > 0) return 1;
  return 6;
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string JudgeQuantity(const Expectation& expected, double written) {
  if (!expected.written) {
    return written == kQuantityBeforeCall ? "" : "wrote " + Number(written) + ", expected nothing";
  }
  if (written == kQuantityBeforeCall) return "wrote no quantity";
  if (!std::isfinite(written) || written != std::trunc(written)) {
    return "wrote " + Number(written) + ", not a whole number";
  }
  if (expected.scale_out && written < 1) {
    return "wrote scale-out quantity " + Number(written) + ", below 1";
  }
  if (expected.quantity && written != *expected.quantity) {
    return "wrote " + Number(written) + ", expected " + Number(*expected.quantity);
  }
  return "";
}

}  // namespace

std::string JudgeCall(const CallSetup& setup, StandInHost& host, RecordImage before) {
  const bool had_array = !before.slots.empty();
  RecordImage after = TakeRecordImage(host);
  if (!had_array && !after.slots.empty()) {
    // The host supplied its array during the call: those fields are the host's writes.
    const std::size_t from = offsetof(StudyInterface, input_slots);
    const std::size_t to = from + offsetof(InputSlotArray, fallback);
    std::memcpy(before.record.data() + from, after.record.data() + from, to - from);
  }
  const std::string forbidden =
      FindForbiddenWrite(before, after, setup.defaults ? CallKind::kDefaults : CallKind::kOrdinary);
  if (!forbidden.empty()) return forbidden;
  const std::int32_t allocate_calls = ExpectedAllocateCalls(setup.options, had_array);
  if (host.allocate_calls() != allocate_calls) {
    return std::to_string(host.allocate_calls()) + " allocate calls, expected " +
           std::to_string(allocate_calls);
  }
  if (!host.position_records_well_formed()) return "position record not built as expected";
  const Expectation expected = Expect(setup, host);
  if ((host.position_queries() > 0) != expected.query) {
    return expected.query ? "no position query" : "an unexpected position query";
  }
  return JudgeQuantity(expected, host.record().order_quantity);
}
