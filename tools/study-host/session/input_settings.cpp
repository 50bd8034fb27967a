#include "tools/study-host/session/input_settings.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <set>

#include "judge/call_scenarios.h"
#include "judge/input_values.h"
#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

using judge::DeclaredInput;
using judge::ValueMeaning;

std::string ValidNames(const std::vector<DeclaredInput>& inputs) {
  std::string names;
  for (const DeclaredInput& input : inputs) {
    names += (names.empty() ? "\"" : ", \"") + input.name + "\"";
  }
  return names.empty() ? "(the module declared none)" : names;
}

std::string QuotedNames(const std::vector<const DeclaredInput*>& inputs) {
  std::string names;
  for (const DeclaredInput* input : inputs) {
    names += (names.empty() ? "\"" : ", \"") + input->name + "\"";
  }
  return names;
}

// The input a setting names: by its name, ignoring case and surrounding
// blanks; by its slot number; or by a leading part that only one name has.
const DeclaredInput& InputNamed(const std::vector<DeclaredInput>& inputs,
                                const std::string& given) {
  const std::string wanted = Lowercase(Trimmed(given));
  const ParsedWholeNumber slot =
      ParseWholeNumber(wanted, 0, std::numeric_limits<std::int32_t>::max());
  std::vector<const DeclaredInput*> starting;
  for (const DeclaredInput& input : inputs) {
    const std::string name = Lowercase(Trimmed(input.name));
    if (name == wanted || (slot.problem.empty() && input.index == slot.value)) return input;
    if (!wanted.empty() && name.compare(0, wanted.size(), wanted) == 0) starting.push_back(&input);
  }
  if (starting.size() == 1) return *starting.front();
  if (starting.size() > 1) {
    throw ToolError(kExitUsage, "input \"" + given + "\" could be " + QuotedNames(starting) +
                                    "; give more of the name");
  }
  throw ToolError(kExitUsage,
                  "unknown input \"" + given + "\"; valid inputs: " + ValidNames(inputs));
}

// "18:30" or "18:30:15" as the fraction of a day; none when it is not one.
std::optional<double> TimeOfDay(const std::string& text) {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  char end = 0;
  const int read = std::sscanf(text.c_str(), "%d:%d:%d%c", &hours, &minutes, &seconds, &end);
  const bool hours_and_minutes = read == 2 && text.find(':') == text.rfind(':');
  if (!(read == 3 || hours_and_minutes) || hours < 0 || hours > 23 || minutes < 0 || minutes > 59 ||
      seconds < 0 || seconds > 59) {
    return std::nullopt;
  }
  return (hours * 3600.0 + minutes * 60.0 + seconds) / 86400.0;
}

std::string LimitText(double value) {
  return FormatPosition(value);
}

// A value outside the limits the module declares, as the host would refuse it.
void CheckLimits(const DeclaredInput& input, double value) {
  const double lower = judge::StoredNumber(input.type_code, input.lower_limit);
  const double upper = judge::StoredNumber(input.type_code, input.upper_limit);
  const bool limited = input.has_limits && !(lower == 0 && upper == 0) && lower <= upper;
  if (limited && !(value >= lower && value <= upper)) {
    throw ToolError(kExitUsage, input.name + " takes " + LimitText(lower) + " to " +
                                    LimitText(upper) + ", not " + LimitText(value));
  }
}

[[noreturn]] void ThrowNotTaken(const DeclaredInput& input, const std::string& text,
                                const std::string& problem) {
  const ValueMeaning meaning = judge::TypeCodeOf(input.type_code).meaning;
  std::string said = problem;
  if (meaning == ValueMeaning::kYesNo && problem == "is not a whole number") {
    said = "is not yes, no or a whole number";
  } else if (meaning != ValueMeaning::kYesNo && meaning != ValueMeaning::kWholeNumber) {
    said += " (it takes " + WhatItTakes(input.type_code) + ")";
  }
  throw ToolError(kExitUsage, "value '" + text + "' for \"" + input.name + "\" " + said);
}

double WholeNumberValue(const DeclaredInput& input, const std::string& text) {
  if (judge::TypeCodeOf(input.type_code).meaning == ValueMeaning::kYesNo) {
    const std::string word = Lowercase(Trimmed(text));
    if (word == "yes") return 1;
    if (word == "no") return 0;
  }
  const ParsedWholeNumber value = ParseWholeNumber(text, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max());
  if (!value.problem.empty()) ThrowNotTaken(input, text, value.problem);
  return static_cast<double>(value.value);
}

double DecimalValue(const DeclaredInput& input, const std::string& text) {
  if (judge::TypeCodeOf(input.type_code).meaning == ValueMeaning::kTimeOfDay) {
    if (const std::optional<double> time = TimeOfDay(Trimmed(text))) return *time;
  }
  const ParsedPosition value = ParsePosition(text);
  if (!value.problem.empty()) ThrowNotTaken(input, text, value.problem);
  if (!std::isfinite(value.value)) ThrowNotTaken(input, text, "is not a finite number");
  if (judge::TypeCodeOf(input.type_code).storage == judge::ValueStorage::kFloat32 &&
      std::fabs(value.value) > std::numeric_limits<float>::max()) {
    ThrowNotTaken(input, text, "is out of range");
  }
  return value.value;
}

// The value `text` sets `input` to, stored in `stored` as its type stores it.
void SettingValue(const DeclaredInput& input, const std::string& text, SlotArea& stored) {
  const judge::TypeCode type = judge::TypeCodeOf(input.type_code);
  if (type.storage == judge::ValueStorage::kNothing) {
    throw ToolError(kExitUsage, "input \"" + input.name + "\" has " +
                                    judge::TypeCodeName(input.type_code) +
                                    ", which stores no value replay can set");
  }
  const double value = type.storage == judge::ValueStorage::kInt32 ? WholeNumberValue(input, text)
                                                                   : DecimalValue(input, text);
  CheckLimits(input, value);
  judge::StoreNumber(input.type_code, value, stored);
}

}  // namespace

std::string WhatItTakes(std::uint8_t type_code) {
  switch (judge::TypeCodeOf(type_code).meaning) {
    case ValueMeaning::kYesNo:
      return "yes, no or a whole number";
    case ValueMeaning::kWholeNumber:
      return "a whole number";
    case ValueMeaning::kNumber:
      return "a number such as 2.5";
    case ValueMeaning::kTimeOfDay:
      return "a time of day such as 18:30, or a fraction of a day";
    case ValueMeaning::kDate:
    case ValueMeaning::kDateTime:
      return "a number of days such as 45292.5";
    case ValueMeaning::kNoValue:
    case ValueMeaning::kUndefined:
      break;
  }
  return "no value";
}

void ApplyInputSettings(StandInHost& host, const judge::Declaration& declaration,
                        const std::vector<InputSetting>& settings) {
  std::set<std::int32_t> inputs_set;
  for (const InputSetting& setting : settings) {
    const DeclaredInput& input = InputNamed(declaration.inputs, setting.name);
    if (!inputs_set.insert(input.index).second) {
      throw ToolError(kExitUsage, "input \"" + input.name + "\" is set twice; set it once");
    }
    SlotArea value = {};
    SettingValue(input, setting.value, value);
    judge::SetInputValue(host.record(), input.index, input.type_code, value);
  }
}
