#include "tools/study-host/session/input_settings.h"

#include <algorithm>
#include <cctype>
#include <limits>

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

std::int32_t SettingValue(const DeclaredInput& input, const std::string& text) {
  if (input.type_code == kYesNoTypeCode) {
    const std::string word = Lowercase(Trimmed(text));
    if (word == "yes") return 1;
    if (word == "no") return 0;
  }
  const ParsedWholeNumber value = ParseWholeNumber(text, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max());
  if (value.problem.empty()) return static_cast<std::int32_t>(value.value);
  const bool yes_no = input.type_code == kYesNoTypeCode;
  const bool not_a_number = value.problem == "is not a whole number";
  throw ToolError(kExitUsage, "value '" + text + "' for \"" + input.name + "\" " +
                                  (not_a_number && yes_no ? "is not yes, no or a whole number"
                                                          : value.problem));
}

}  // namespace

void ApplyInputSettings(StandInHost& host, const std::vector<InputSetting>& settings) {
  const std::vector<DeclaredInput> inputs = ReadDeclaredInputs(host);
  for (const InputSetting& setting : settings) {
    const auto input = std::find_if(inputs.begin(), inputs.end(),
                                    [&](const DeclaredInput& x) { return x.name == setting.name; });
    if (input == inputs.end()) {
      throw ToolError(kExitUsage, "unknown input \"" + setting.name +
                                      "\"; valid inputs: " + ValidNames(inputs));
    }
    const std::uint8_t type_code = input->type_code;
    if (type_code != kYesNoTypeCode && type_code != kIntegerTypeCode) {
      throw ToolError(kExitUsage, "input \"" + setting.name + "\" has " + TypeName(type_code) +
                                      ", which replay cannot set");
    }
    judge::SetInput(host.record(), input->slot, SettingValue(*input, setting.value), type_code);
  }
}
