#include "judge/order_quantity_study/expected_declaration.h"

#include <vector>

#include "host/host_text.h"
#include "judge/input_values.h"

namespace judge {

const ExpectedInput kExpectedInputs[kInputCount] = {
    {"Enabled", "Enable or Disable the Study", kYesNoTypeCode, 0},
    {"Position Qty While Flat", "This is your default qty you want to enter a position with.",
     kIntegerTypeCode, 4},
    {"Position Qty During Trade", "After your orders are filled, this is the NEW position qty.",
     kIntegerTypeCode, 1},
    {"Scale Out of Position", nullptr, kYesNoTypeCode, 0},
    {"Scale Out Percentage", nullptr, kIntegerTypeCode, 50},
    {"Round Scale Out Quantity Down (default is up)", nullptr, kYesNoTypeCode, 0},
};

namespace {

constexpr char kCreditStart[] = "<a href = \"";
constexpr char kCreditMiddle[] = "\">";
constexpr char kCreditEnd[] = "</a>";

// An anchor of the credit's form, or no credit at all.
bool IsCreditOrNothing(const std::string& text) {
  if (text.empty()) return true;
  const std::string start = kCreditStart;
  const std::string end = kCreditEnd;
  if (text.size() < start.size() + end.size() || text.compare(0, start.size(), start) != 0 ||
      text.compare(text.size() - end.size(), end.size(), end) != 0) {
    return false;
  }
  const auto middle = text.find(kCreditMiddle, start.size());
  if (middle == std::string::npos) return false;
  const std::string address = text.substr(start.size(), middle - start.size());
  const auto name_start = middle + std::string(kCreditMiddle).size();
  const std::string name = text.substr(name_start, text.size() - end.size() - name_start);
  return !address.empty() && !name.empty() && address.find_first_of("\"<> ") == std::string::npos &&
         name.find('<') == std::string::npos;
}

std::string JudgeDescription(const StudyText& description,
                             const std::optional<std::string>& credit) {
  const std::string text = TextOf(description);
  const std::string head = std::string("<b>") + kExpectedDisplayName + "</b> by ";
  const std::string sentence = kExpectedSentence;
  const bool framed = text.size() >= head.size() + sentence.size() &&
                      text.compare(0, head.size(), head) == 0 &&
                      text.compare(text.size() - sentence.size(), sentence.size(), sentence) == 0;
  const std::string found_credit =
      framed ? text.substr(head.size(), text.size() - head.size() - sentence.size()) : "";
  const bool credited = credit ? found_credit == *credit : IsCreditOrNothing(found_credit);
  if (!framed || !credited) return "description reads \"" + text + "\"";
  if (description.changed != 1) return "description not marked changed";
  return "";
}

// The declaration each slot must end with: that of the last input resolved
// to it, since later declarations overwrite earlier ones.
std::string JudgeSlot(const InputSlot& slot, std::int32_t input, bool holds_limits) {
  const ExpectedInput& expected = kExpectedInputs[input];
  const std::string where = "input " + std::to_string(input) + " (\"" + expected.name + "\")";
  if (TextOf(slot.name) != expected.name) {
    return where + " is named \"" + TextOf(slot.name) + "\"";
  }
  if (slot.name.changed != 1) return where + ": name not marked changed";
  if (slot.type_code != expected.type_code) {
    return where + " has type code " + std::to_string(slot.type_code) + ", expected " +
           std::to_string(expected.type_code);
  }
  const auto value = ReadSlotArea<std::int32_t>(slot.value);
  if (value != expected.default_value) {
    return where + " defaults to " + std::to_string(value) + ", expected " +
           std::to_string(expected.default_value);
  }
  if (!holds_limits) return "";
  const auto lower = ReadSlotArea<std::int32_t>(slot.lower_limit);
  const auto upper = ReadSlotArea<std::int32_t>(slot.upper_limit);
  if (lower != kExpectedLowerLimit || upper != kExpectedUpperLimit) {
    return "the slot of input " + std::to_string(kLimitedInput) + " has limits " +
           std::to_string(lower) + " to " + std::to_string(upper) + ", expected " +
           std::to_string(kExpectedLowerLimit) + " to " + std::to_string(kExpectedUpperLimit);
  }
  return "";
}

std::string JudgeInputs(const StudyInterface& record) {
  const InputSlot& limited = SlotForInput(record, kLimitedInput);
  for (std::int32_t input = 0; input < kInputCount; ++input) {
    const InputSlot& slot = SlotForInput(record, input);
    const bool last_in_slot = input + 1 == kInputCount || &SlotForInput(record, input + 1) != &slot;
    if (!last_in_slot) continue;
    std::string fault = JudgeSlot(slot, input, &slot == &limited);
    if (!fault.empty()) return fault;
  }
  return "";
}

std::string JudgeDescriptionCalls(const StandInHost& host) {
  std::vector<DescriptionCall> expected;
  for (std::int32_t input = 0; input < kInputCount; ++input) {
    const InputSlot& slot = SlotForInput(host.record(), input);
    if (kExpectedInputs[input].description != nullptr && slot.set_description != nullptr) {
      expected.push_back({slot.description_argument, kExpectedInputs[input].description});
    }
  }
  const std::vector<DescriptionCall>& made = host.description_calls();
  for (std::size_t at = 0; at < expected.size() || at < made.size(); ++at) {
    if (at >= made.size()) return "no description given for \"" + expected[at].text + "\"";
    if (at >= expected.size() || made[at].argument != expected[at].argument ||
        made[at].text != expected[at].text) {
      return "description call " + std::to_string(at + 1) + " passes (" +
             std::to_string(made[at].argument) + ", \"" + made[at].text + "\")";
    }
  }
  return "";
}

}  // namespace

std::string ExpectedCreditAnchor(const std::string& address, const std::string& name) {
  return kCreditStart + address + kCreditMiddle + name + kCreditEnd;
}

std::string JudgeDeclaration(const StandInHost& host, const std::optional<std::string>& credit) {
  const StudyInterface& record = host.record();
  if (TextOf(record.display_name) != kExpectedDisplayName) {
    return "display name reads \"" + TextOf(record.display_name) + "\"";
  }
  if (record.display_name.changed != 1) return "display name not marked changed";
  std::string fault = JudgeDescription(record.description, credit);
  if (!fault.empty()) return fault;
  for (const ExpectedSetting& setting : kExpectedSettings) {
    if (record.*setting.field != setting.value) {
      return std::string(setting.name) + " is " + std::to_string(record.*setting.field) +
             ", expected " + std::to_string(setting.value);
    }
  }
  fault = JudgeInputs(record);
  if (!fault.empty()) return fault;
  return JudgeDescriptionCalls(host);
}

}  // namespace judge
