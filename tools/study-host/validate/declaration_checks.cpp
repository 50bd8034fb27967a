// Checks of the declaration: what the defaults call declares, judged by the
// host's rules (every input named, typed and given a default within its
// limits), and by the study's own rule when the tool knows one.
#include "tools/study-host/validate/declaration_checks.h"

#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/declaration_lint.h"
#include "judge/record_guard.h"

namespace {

std::string Joined(const std::vector<judge::LintFinding>& findings, judge::Severity severity) {
  std::string joined;
  for (const judge::LintFinding& finding : findings) {
    if (finding.severity == severity) joined += (joined.empty() ? "" : "; ") + finding.words;
  }
  return joined;
}

}  // namespace

CheckResult CheckDeclaresStudy(const CheckContext& context) {
  const judge::JudgedStudy& study = context.study();
  const std::vector<judge::LintFinding> findings = judge::LintDeclaration(study.declaration);
  const std::string failures = Joined(findings, judge::Severity::kFailure);
  const std::string warnings = Joined(findings, judge::Severity::kWarning);
  if (!failures.empty()) {
    return Failed(failures + (warnings.empty() ? "" : "; and it " + warnings));
  }
  context.Announce("the defaults call");
  StandInHost host({.slot_count = judge::kOfferedInputSlots});
  host.record().defaults_flag = 1;
  const std::string fault = judge::MakeJudgedCall(host, study, judge::FillPatternFor(0));
  if (!fault.empty()) return Failed(fault);
  const std::string declared = "\"" + study.declaration.display_name + "\" with " +
                               std::to_string(study.declaration.input_count()) +
                               " inputs, each named, typed and given a "
                               "default within its limits" +
                               (study.rule != nullptr ? ", as its own rule says" : "");
  if (warnings.empty()) return Passed(declared);
  return Warned(declared + "; but it " + warnings);
}
