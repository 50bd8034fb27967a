#include "judge/call_judge.h"

#include <cmath>
#include <cstddef>
#include <cstdio>

#include "judge/expected_declaration.h"
#include "judge/expected_quantity.h"
#include "judge/floating_point_state.h"
#include "judge/record_guard.h"

namespace judge {
namespace {

constexpr std::int32_t kExpectedLeadingField = 12;

// Empty, unowned and unchanged, its text the value's own empty string.
bool IsFreshText(const StudyText& value) {
  return value.owned == 0 && value.changed == 0 && value.empty != nullptr &&
         value.empty[0] == '\0' && value.text == value.empty;
}

bool InText(std::size_t offset, std::size_t text_offset) {
  return offset >= text_offset && offset < text_offset + sizeof(StudyText);
}

// One allocate call per lookup while the record has no array: six, unless
// the first call supplies it.
std::int32_t ExpectedAllocateCalls(const StandInHostOptions& options, bool had_array) {
  if (had_array || !options.allocate_service) return 0;
  if (options.array == ArrayDelivery::kOnAllocate && options.slot_count > 0) return 1;
  return kInputCount;
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string JudgeQuantity(const std::optional<std::int32_t>& expected, const StandInHost& host) {
  const double written = host.record().order_quantity;
  if (!expected) {
    return host.QuantityWritten() ? "wrote " + Number(written) + ", expected nothing" : "";
  }
  if (!host.QuantityWritten()) return "wrote no quantity, expected " + std::to_string(*expected);
  if (written != static_cast<double>(*expected)) {
    return "wrote " + Number(written) + ", expected " + std::to_string(*expected);
  }
  return "";
}

std::string JudgeOrdinaryCall(StandInHost& host) {
  if (!host.description_calls().empty()) return "called the set-description service";
  const OrdinaryCallExpectation expected = ExpectOrdinaryCall(host.record(), host.position());
  const std::int32_t queries = expected.queries_position ? 1 : 0;
  if (host.position_queries() != queries) {
    return std::to_string(host.position_queries()) + " position queries, expected " +
           std::to_string(queries);
  }
  if (queries > 0) {
    const std::string fault = JudgePositionRecord(host.last_position_record());
    if (!fault.empty()) return fault;
  }
  return JudgeQuantity(expected.quantity, host);
}

std::string JudgeDefaultsCall(StandInHost& host, const std::optional<std::string>& credit) {
  if (host.position_queries() != 0) return "queried the position on the defaults call";
  return JudgeDeclaration(host, credit);
}

struct WatchedCall {
  CallKind kind;
  bool had_array;
  RecordImage before;
  std::string floating_point_change;  // how the call left the control state, "" unchanged
};

// Makes the call with the bytes it neither reads nor writes filled, the
// quantity marked unwritten and the service counts cleared.
WatchedCall Watch(StandInHost& host, StudyFunction study, std::uint8_t pattern) {
  WatchedCall call{host.record().defaults_flag != 0 ? CallKind::kDefaults : CallKind::kOrdinary,
                   host.has_array(),
                   {},
                   ""};
  host.MarkQuantityUnwritten();
  FillUnreadBytes(host, call.kind, pattern);
  host.ForgetServiceCalls();
  call.before = TakeRecordImage(host);
  const FloatingPointState host_state = CurrentFloatingPointState();
  study(&host.record());
  call.floating_point_change = FloatingPointChange(host_state, CurrentFloatingPointState());
  // The host's state back, and the judge's arithmetic in the state it knows.
  SetFloatingPointState(StartUpFloatingPointState());
  return call;
}

std::string FloatingPointFault(const WatchedCall& call) {
  return "changed the floating-point control state: " + call.floating_point_change;
}

}  // namespace

std::string JudgePositionRecord(const PositionRecord& position) {
  if (position.leading_field != kExpectedLeadingField) {
    return "position record's leading field is " + std::to_string(position.leading_field) +
           ", expected " + std::to_string(kExpectedLeadingField);
  }
  if (!IsFreshText(position.first_text) || !IsFreshText(position.second_text)) {
    return "position record's texts are not built empty";
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(&position);
  for (std::size_t offset = sizeof position.leading_field; offset < sizeof position; ++offset) {
    const bool in_text = InText(offset, offsetof(PositionRecord, first_text)) ||
                         InText(offset, offsetof(PositionRecord, second_text));
    if (!in_text && bytes[offset] != 0) {
      return "position record byte " + std::to_string(offset) + " is not zero";
    }
  }
  return "";
}

std::string MakeWatchedCall(StandInHost& host, StudyFunction study, std::uint8_t pattern) {
  const WatchedCall call = Watch(host, study, pattern);
  if (!call.floating_point_change.empty()) return FloatingPointFault(call);
  return FindForbiddenWrite(host, call.before, TakeRecordImage(host), call.kind);
}

std::string MakeJudgedCall(StandInHost& host, StudyFunction study, std::uint8_t pattern,
                           const std::optional<std::string>& credit) {
  const WatchedCall call = Watch(host, study, pattern);
  if (!call.floating_point_change.empty()) return FloatingPointFault(call);
  const CallKind kind = call.kind;
  std::string fault = FindForbiddenWrite(host, call.before, TakeRecordImage(host), kind);
  if (!fault.empty()) return fault;
  const std::int32_t allocate_calls = ExpectedAllocateCalls(host.options(), call.had_array);
  if (host.allocate_calls() != allocate_calls) {
    return std::to_string(host.allocate_calls()) + " allocate calls, expected " +
           std::to_string(allocate_calls);
  }
  if (const std::optional<std::int32_t> argument = host.foreign_allocate_argument()) {
    return "called the allocate service with " + std::to_string(*argument) +
           ", not the record's allocation argument " +
           std::to_string(host.record().input_slots.allocation_argument);
  }
  return kind == CallKind::kDefaults ? JudgeDefaultsCall(host, credit) : JudgeOrdinaryCall(host);
}

}  // namespace judge
