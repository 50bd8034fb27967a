#include "judge/call_judge.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "host/host_text.h"
#include "judge/declaration_lint.h"
#include "judge/floating_point_state.h"
#include "judge/input_values.h"
#include "judge/record_guard.h"

namespace judge {
namespace {

// Empty, unowned and unchanged, its text the value's own empty string.
bool IsFreshText(const StudyText& value) {
  return value.owned == 0 && value.changed == 0 && value.empty != nullptr &&
         value.empty[0] == '\0' && value.text == value.empty;
}

bool InText(std::size_t offset, std::size_t text_offset) {
  return offset >= text_offset && offset < text_offset + sizeof(StudyText);
}

std::string QuantityText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The description arguments of the slots standing for the declared inputs.
bool IsDeclaredInputsArgument(const StandInHost& host, const Declaration& declaration,
                              std::int32_t argument) {
  for (std::int32_t input = 0; input < declaration.input_count(); ++input) {
    if (SlotForInput(host.record(), input).description_argument == argument) return true;
  }
  return false;
}

std::string JudgeServiceCalls(const StandInHost& host, const JudgedStudy& study, bool defaults) {
  if (const std::optional<std::int32_t> argument = host.foreign_allocate_argument()) {
    return "called the allocate service with " + std::to_string(*argument) +
           ", not the record's allocation argument " +
           std::to_string(host.record().input_slots.allocation_argument);
  }
  if (!defaults && !host.description_calls().empty()) {
    return "called the set-description service on an ordinary call (the host takes input "
           "descriptions on the defaults call)";
  }
  for (const DescriptionCall& call : host.description_calls()) {
    if (!IsDeclaredInputsArgument(host, study.declaration, call.argument)) {
      return "passed the set-description service the argument " + std::to_string(call.argument) +
             ", which no declared input's slot holds";
    }
  }
  if (host.position_queries() > 0) return JudgePositionRecord(host.last_position_record());
  return "";
}

// The bytes of the value area a type code stores its value in.
std::size_t StoredWidth(std::uint8_t code) {
  switch (TypeCodeOf(code).storage) {
    case ValueStorage::kInt32:
    case ValueStorage::kFloat32:
      return 4;
    case ValueStorage::kFloat64:
      return 8;
    case ValueStorage::kNothing:
      break;
  }
  return 0;
}

// A host that shows every declared input in a slot of its own, with every
// service: there a defaults call must declare what it always declares.
bool ShowsEveryInput(const StandInHost& host, const Declaration& declaration) {
  const StandInHostOptions& options = host.options();
  return host.has_array() && host.record().input_slots.count >= declaration.input_count() &&
         options.set_description_service && !options.count_shown;
}

// The first difference between what the study declares in `host` and what
// it declared when it was first asked.
std::string DeclarationChanged(const StandInHost& host, const Declaration& reference) {
  const StudyInterface& record = host.record();
  if (TextOf(record.display_name) != reference.display_name) {
    return "declared the display name \"" + TextOf(record.display_name) +
           "\", though it declared \"" + reference.display_name + "\" before";
  }
  if (TextOf(record.description) != reference.description) {
    return "declared another description than before";
  }
  for (const DeclaredInput& input : reference.inputs) {
    const InputSlot& slot = SlotForInput(record, input.index);
    const std::string who = InputWords(input.index, input.name);
    if (input.named && TextOf(slot.name) != input.name) {
      return "named " + who + " \"" + TextOf(slot.name) + "\" this time";
    }
    if ((input.typed && slot.type_code != input.type_code) ||
        (input.has_default &&
         std::memcmp(slot.value, input.default_value, StoredWidth(input.type_code)) != 0)) {
      return "declared " + who + " with another type code or default than before (" +
             TypeCodeName(slot.type_code) + ", " + ValueText(slot.type_code, slot.value) + ")";
    }
  }
  return "";
}

std::string JudgeHostsRules(StandInHost& host, const JudgedStudy& study, bool defaults) {
  std::string fault = JudgeServiceCalls(host, study, defaults);
  if (!fault.empty()) return fault;
  if (defaults) {
    return ShowsEveryInput(host, study.declaration) ? DeclarationChanged(host, study.declaration)
                                                    : "";
  }
  const double written = host.record().order_quantity;
  if (host.QuantityWritten() && !std::isfinite(written)) {
    return "wrote the order quantity " + QuantityText(written) +
           ", which is no quantity a host can use";
  }
  return "";
}

struct WatchedCall {
  CallKind kind;
  bool had_array;
  const RecordImage& before;
  std::string floating_point_change;  // how the call left the control state, "" unchanged
};

// Makes the call with the bytes it neither reads nor writes filled, the
// quantity marked unwritten and the service counts cleared.
WatchedCall Watch(StandInHost& host, StudyFunction study, std::uint8_t pattern,
                  RecordImage& before) {
  WatchedCall call{host.record().defaults_flag != 0 ? CallKind::kDefaults : CallKind::kOrdinary,
                   host.has_array(), before, ""};
  host.MarkQuantityUnwritten();
  FillUnreadBytes(host, call.kind, pattern);
  host.ForgetServiceCalls();
  RetakeRecordImage(host, before);
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
  if (position.leading_field != kPositionRecordLeadingValue) {
    return "position record's leading field is " + std::to_string(position.leading_field) +
           ", expected " + std::to_string(kPositionRecordLeadingValue);
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

std::string CallOutcome(const StandInHost& host, bool defaults) {
  const StudyInterface& record = host.record();
  std::string outcome;
  outcome.reserve(96);
  if (!defaults) {
    outcome += "wrote ";
    outcome += host.QuantityWritten() ? QuantityText(record.order_quantity) : "nothing";
  } else {
    outcome += "declared \"";
    outcome += TextOf(record.display_name);
    outcome += '"';
  }
  outcome += " (position queries ";
  outcome += std::to_string(host.position_queries());
  outcome += ", allocate calls ";
  outcome += std::to_string(host.allocate_calls());
  outcome += ", descriptions ";
  outcome += std::to_string(host.description_calls().size());
  outcome += ')';
  if (!defaults) return outcome;
  // What else it declared, as bytes: only ever compared, never shown.
  std::string declared = TextOf(record.description) + '\0';
  for (const DescriptionCall& call : host.description_calls()) {
    declared += std::to_string(call.argument) + call.text + '\0';
  }
  declared.append(reinterpret_cast<const char*>(&record.host_setting_16), sizeof(std::int32_t));
  declared.append(reinterpret_cast<const char*>(&record.host_setting_176), sizeof(std::int32_t));
  declared.append(reinterpret_cast<const char*>(&record.host_setting_892), sizeof(std::int32_t));
  const auto add_slot = [&declared](const InputSlot& slot) {
    declared += TextOf(slot.name) + '\0';
    declared.append(reinterpret_cast<const char*>(&slot.type_code), 1);
    declared.append(reinterpret_cast<const char*>(slot.value), 3 * sizeof(SlotArea));
  };
  add_slot(record.input_slots.fallback);
  for (std::int32_t index = 0;
       record.input_slots.data != nullptr && index < record.input_slots.count; ++index) {
    add_slot(record.input_slots.data[index]);
  }
  return outcome + '\0' + declared;
}

std::string MakeWatchedCall(StandInHost& host, const JudgedStudy& study, std::uint8_t pattern) {
  RecordImage before;
  const WatchedCall call = Watch(host, study.function, pattern, before);
  if (!call.floating_point_change.empty()) return FloatingPointFault(call);
  return FindForbiddenWrite(host, call.before, CurrentRecordBytes(host), call.kind,
                            study.declaration);
}

std::string MakeJudgedCall(StandInHost& host, const JudgedStudy& study, std::uint8_t pattern,
                           std::string* outcome, CallScratch* scratch) {
  CallScratch own;
  const WatchedCall call =
      Watch(host, study.function, pattern, (scratch != nullptr ? *scratch : own).before);
  const bool defaults = call.kind == CallKind::kDefaults;
  if (outcome != nullptr) *outcome = CallOutcome(host, defaults);
  if (!call.floating_point_change.empty()) return FloatingPointFault(call);
  std::string fault =
      FindForbiddenWrite(host, call.before, CurrentRecordBytes(host), call.kind, study.declaration);
  if (fault.empty()) fault = JudgeHostsRules(host, study, defaults);
  if (!fault.empty() || study.rule == nullptr) return fault;
  const CallFacts facts{call.had_array, pattern};
  return defaults ? study.rule->JudgeDefaultsCall(host, facts)
                  : study.rule->JudgeOrdinaryCall(host, facts);
}

}  // namespace judge
