#include "tools/study-host/describe/describe_command.h"

#include <nlohmann/json.hpp>

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

// One study function's declaration as JSON: the inputs with their values
// in their own types, and what the host's rules find wrong in it.
nlohmann::ordered_json StudyJson(const std::string& export_name,
                                 const judge::Declaration& declaration) {
  nlohmann::ordered_json inputs = nlohmann::ordered_json::array();
  for (const judge::DeclaredInput& input : declaration.inputs) {
    const auto number = [&input](const SlotArea& value) {
      return judge::TypeCodeOf(input.type_code).storage == judge::ValueStorage::kNothing
                 ? nlohmann::ordered_json()
                 : nlohmann::ordered_json(judge::StoredNumber(input.type_code, value));
    };
    const bool limited = LimitsText(input) != "-";
    inputs.push_back(
        {{"index", input.index},
         {"name", input.name},
         {"type_code", input.type_code},
         {"type", judge::TypeCodeName(input.type_code)},
         {"default", input.has_default ? number(input.default_value) : nullptr},
         {"default_text",
          input.has_default ? judge::ValueText(input.type_code, input.default_value) : ""},
         {"lower_limit", limited ? number(input.lower_limit) : nullptr},
         {"upper_limit", limited ? number(input.upper_limit) : nullptr},
         {"description", input.description ? nlohmann::ordered_json(*input.description)
                                           : nlohmann::ordered_json()}});
  }
  nlohmann::ordered_json problems = nlohmann::ordered_json::array();
  for (const judge::LintFinding& finding : judge::LintDeclaration(declaration)) {
    problems.push_back(
        {{"severity", finding.severity == judge::Severity::kFailure ? "failure" : "warning"},
         {"words", finding.words}});
  }
  return {{"study_function", export_name},
          {"display_name", declaration.display_name},
          {"description", declaration.description},
          {"inputs", std::move(inputs)},
          {"problems", std::move(problems)}};
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
  const std::int32_t version = module.version();
  std::string out;
  out += "module:            " + Escaped(path) + "\n";
  out += "name:              " + Escaped(module_name) + "\n";
  out += "interface version: " + std::to_string(version) + "\n";
  std::vector<std::string> studies;
  if (module.study != nullptr) {
    studies.push_back(module.study_name);
  } else {
    for (const NamedStudyFunction& study : module.studies) studies.push_back(study.name);
    out +=
        "study functions:   " + std::to_string(studies.size()) + " (" + StudyNames(module) + ")\n";
  }
  nlohmann::ordered_json json_studies = nlohmann::ordered_json::array();
  for (const std::string& study : studies) {
    if (session.module().study_name != study) session.ChooseStudy(study);
    session.Announce(kSetUpPhase);
    const judge::Declaration declaration = judge::ReadDeclaration(session.module().study);
    if (studies.size() > 1) out += '\n';
    out += DescribeStudy(study, declaration);
    json_studies.push_back(StudyJson(study, declaration));
  }
  session.Unload();
  if (settings.json) {
    const nlohmann::ordered_json json = {{"module", path},
                                         {"name", module_name},
                                         {"interface_version", version},
                                         {"studies", std::move(json_studies)}};
    // Text that is not UTF-8 (a module's own words) is written with U+FFFD.
    out = json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  }
  channel.Send(FrameKind::kOutput, out);
  channel.Send(FrameKind::kDone, "");
}
