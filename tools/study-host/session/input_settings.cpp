#include "tools/study-host/session/input_settings.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <set>

#include "interface/study_interface.h"
#include "judge/contract_inputs.h"
#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/session/declared_inputs.h"

namespace {

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
    if (name == wanted || (slot.problem.empty() && input.slot == slot.value)) return input;
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

// A value outside the limits the module declares, as the host would refuse it.
void CheckLimits(const DeclaredInput& input, std::int32_t value) {
  const bool limited = input.lower_limit != 0 || input.upper_limit != 0;
  if (!limited || input.type_code != kIntegerTypeCode) return;
  if (value < input.lower_limit || value > input.upper_limit) {
    throw ToolError(kExitUsage, input.name + " takes " + std::to_string(input.lower_limit) +
                                    " to " + std::to_string(input.upper_limit) + ", not " +
                                    std::to_string(value));
  }
}

std::int32_t SettingValue(const DeclaredInput& input, const std::string& text) {
  if (input.type_code == kYesNoTypeCode) {
    const std::string word = Lowercase(Trimmed(text));
    if (word == "yes") return 1;
    if (word == "no") return 0;
  }
  const ParsedWholeNumber value = ParseWholeNumber(text, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max());
  if (value.problem.empty()) {
    CheckLimits(input, static_cast<std::int32_t>(value.value));
    return static_cast<std::int32_t>(value.value);
  }
  const bool yes_no = input.type_code == kYesNoTypeCode;
  const bool not_a_number = value.problem == "is not a whole number";
  throw ToolError(kExitUsage, "value '" + text + "' for \"" + input.name + "\" " +
                                  (not_a_number && yes_no ? "is not yes, no or a whole number"
                                                          : value.problem));
}

}  // namespace

void ApplyInputSettings(StandInHost& host, const std::vector<InputSetting>& settings) {
  const std::vector<DeclaredInput> inputs = ReadDeclaredInputs(host);
  std::set<std::int32_t> slots_set;
  for (const InputSetting& setting : settings) {
    const DeclaredInput& input = InputNamed(inputs, setting.name);
    if (!slots_set.insert(input.slot).second) {
      throw ToolError(kExitUsage, "input \"" + input.name + "\" is set twice; set it once");
    }
    const std::uint8_t type_code = input.type_code;
    if (type_code != kYesNoTypeCode && type_code != kIntegerTypeCode) {
      throw ToolError(kExitUsage, "input \"" + input.name + "\" has " + TypeName(type_code) +
                                      ", which replay cannot set");
    }
    judge::SetInput(host.record(), input.slot, SettingValue(input, setting.value), type_code);
  }
}
