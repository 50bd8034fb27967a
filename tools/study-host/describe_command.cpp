#include "describe_command.h"

#include "declared_inputs.h"
#include "host/host_text.h"
#include "html_text.h"
#include "module_loading.h"
#include "text_table.h"

namespace {

std::string LimitsText(const DeclaredInput& input) {
  if (input.lower_limit == 0 && input.upper_limit == 0) return "-";
  return std::to_string(input.lower_limit) + " to " + std::to_string(input.upper_limit);
}

// Continuation lines of a multi-line value indented under its first line
// (blank lines stay blank).
std::string Indented(const std::string& text, const std::string& indent) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    out += text[at];
    if (text[at] == '\n' && at + 1 < text.size() && text[at + 1] != '\n') out += indent;
  }
  return out;
}

}  // namespace

std::string DescribeModule(const std::string& path) {
  StudyModule module;
  LoadModuleForHost(path, module);
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.CallDefaults(module.study);

  const std::string indent(19, ' ');
  std::string out;
  out += "module:            " + path + "\n";
  out += "name:              " + std::string(module.name() != nullptr ? module.name() : "") + "\n";
  out += "interface version: " + std::to_string(module.version()) + "\n";
  out += "display name:      " + TextOf(host.record().display_name) + "\n";
  out += "description:       " + Indented(HtmlToText(TextOf(host.record().description)), indent) +
         "\n";

  const std::vector<DeclaredInput> inputs = ReadDeclaredInputs(host);
  out += "inputs:            " + std::to_string(inputs.size()) + "\n\n";
  TextTable table({"slot", "name", "type", "default", "limits", "description"});
  for (const DeclaredInput& input : inputs) {
    table.AddRow({std::to_string(input.slot), input.name, TypeName(input.type_code),
                  ValueText(input.type_code, input.default_value), LimitsText(input),
                  input.description.empty() ? "-" : input.description});
  }
  return out + table.Render();
}
