#include "tools/study-host/describe/describe_command.h"

#include "host/host_text.h"
#include "host/stand_in_host.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/describe/html_text.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/session/declared_inputs.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"

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

int RunInTool(const DescribeSettings& settings, const std::vector<std::string>& arguments) {
  CheckModuleFile(settings.module_path, settings.module_named);
  RefuseUnloadableModule(settings.module_path);
  const ChildTerms terms{.limit_seconds = settings.timeout_seconds.value_or(kDefaultCallSeconds),
                         .limit = TimeLimit::kBetweenReports};
  RunCommandInChild(arguments, terms, &PhaseOf);
  return kExitSuccess;
}

void RunInChild(const DescribeSettings& settings, const ChannelWriter& channel) {
  const std::string& path = settings.module_path;
  ModuleSession session(
      [&channel](const std::string& phase) { channel.Send(FrameKind::kPhase, phase); });
  session.LoadForHost(path);
  const StudyModule& module = session.module();
  session.Announce("asking the module its name");
  const char* name = module.name();
  const std::string module_name = name != nullptr ? name : "";
  session.Announce(kSetUpPhase);
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.CallDefaults(module.study);

  const std::string indent(19, ' ');
  std::string out;
  out += "module:            " + Escaped(path) + "\n";
  out += "name:              " + Escaped(module_name) + "\n";
  out += "interface version: " + std::to_string(module.version()) + "\n";
  out += "display name:      " + Escaped(TextOf(host.record().display_name)) + "\n";
  out += "description:       " + Indented(HtmlToText(TextOf(host.record().description)), indent) +
         "\n";

  const std::vector<DeclaredInput> inputs = ReadDeclaredInputs(host);
  out += "inputs:            " + std::to_string(inputs.size()) + "\n\n";
  TextTable table({"#", "input", "takes", "default", "allowed", "description"});
  for (const DeclaredInput& input : inputs) {
    table.AddRow({std::to_string(input.slot), Escaped(input.name), TypeName(input.type_code),
                  ValueText(input.type_code, input.default_value), LimitsText(input),
                  input.description.empty() ? "-" : Escaped(input.description)});
  }
  out += table.Render();
  session.Unload();
  channel.Send(FrameKind::kOutput, out);
  channel.Send(FrameKind::kDone, "");
}
