#include "tools/study-host/describe/describe_command.h"

#include "judge/declaration.h"
#include "judge/declaration_lint.h"
#include "judge/input_values.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/text_table.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/describe/html_text.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"

namespace {

std::string LimitsText(const judge::DeclaredInput& input) {
  const double lower = judge::StoredNumber(input.type_code, input.lower_limit);
  const double upper = judge::StoredNumber(input.type_code, input.upper_limit);
  if (!input.has_limits || (lower == 0 && upper == 0)) return "-";
  return judge::ValueText(input.type_code, input.lower_limit) + " to " +
         judge::ValueText(input.type_code, input.upper_limit);
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

// One study function's declaration, as the host's users see it, with what
// the host's rules find wrong in it.
std::string DescribeStudy(const std::string& export_name, const judge::Declaration& declaration) {
  const std::string indent(19, ' ');
  std::string out;
  out += "study function:    " + Escaped(export_name) + "\n";
  out += "display name:      " + Escaped(declaration.display_name) + "\n";
  out += "description:       " + Indented(HtmlToText(declaration.description), indent) + "\n";
  out += "inputs:            " + std::to_string(declaration.inputs.size()) + "\n\n";
  TextTable table({"#", "input", "takes", "default", "allowed", "description"});
  for (const judge::DeclaredInput& input : declaration.inputs) {
    const bool has_value = input.has_default && judge::Declaration::Declared(input);
    table.AddRow({std::to_string(input.index), Escaped(input.name),
                  input.typed ? judge::TypeCodeName(input.type_code) : "-",
                  has_value ? judge::ValueText(input.type_code, input.default_value) : "-",
                  LimitsText(input), input.description ? Escaped(*input.description) : "-"});
  }
  out += table.Render();
  for (const judge::LintFinding& finding : judge::LintDeclaration(declaration)) {
    out += std::string(finding.severity == judge::Severity::kFailure ? "problem: " : "warning: ") +
           Escaped(finding.words) + "\n";
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
  session.LoadForHost(path, settings.study, /*all_studies=*/settings.study.empty());
  const StudyModule& module = session.module();
  session.Announce("asking the module its name");
  const char* name = module.name();
  const std::string module_name = name != nullptr ? name : "";
  std::string out;
  out += "module:            " + Escaped(path) + "\n";
  out += "name:              " + Escaped(module_name) + "\n";
  out += "interface version: " + std::to_string(module.version()) + "\n";
  std::vector<std::string> studies;
  if (module.study != nullptr) {
    studies.push_back(module.study_name);
  } else {
    for (const NamedStudyFunction& study : module.studies) studies.push_back(study.name);
    out +=
        "study functions:   " + std::to_string(studies.size()) + " (" + StudyNames(module) + ")\n";
  }
  for (const std::string& study : studies) {
    if (session.module().study_name != study) session.ChooseStudy(study);
    session.Announce(kSetUpPhase);
    const judge::Declaration declaration = judge::ReadDeclaration(session.module().study);
    if (studies.size() > 1) out += '\n';
    out += DescribeStudy(study, declaration);
  }
  session.Unload();
  channel.Send(FrameKind::kOutput, out);
  channel.Send(FrameKind::kDone, "");
}
