#include "tools/study-host/session/declared_inputs.h"

#include "host/host_text.h"
#include "interface/study_interface.h"

std::vector<DeclaredInput> ReadDeclaredInputs(StandInHost& host) {
  std::vector<DeclaredInput> inputs;
  if (!host.has_array()) return inputs;
  for (std::int32_t index = 0; index < host.slot_count(); ++index) {
    const InputSlot& slot = host.input(index);
    const std::string name = TextOf(slot.name);
    if (name.empty() && slot.type_code == 0) continue;
    DeclaredInput input;
    input.slot = index;
    input.name = name;
    input.type_code = slot.type_code;
    input.default_value = ReadSlotArea<std::int32_t>(slot.value);
    input.lower_limit = ReadSlotArea<std::int32_t>(slot.lower_limit);
    input.upper_limit = ReadSlotArea<std::int32_t>(slot.upper_limit);
    for (const DescriptionCall& call : host.description_calls()) {
      if (call.argument == index) input.description = call.text;
    }
    inputs.push_back(input);
  }
  return inputs;
}

std::string TypeName(std::uint8_t type_code) {
  if (type_code == kYesNoTypeCode) return "yes/no";
  if (type_code == kIntegerTypeCode) return "whole number";
  return "type code " + std::to_string(type_code);
}

std::string ValueText(std::uint8_t type_code, std::int32_t value) {
  if (type_code == kYesNoTypeCode) return value != 0 ? "yes" : "no";
  return std::to_string(value);
}
