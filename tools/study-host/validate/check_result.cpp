#include "tools/study-host/validate/check_result.h"

#include <algorithm>
#include <utility>

#include "tools/study-host/sandbox/channel.h"

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed:
      return "passed";
    case Outcome::kWarning:
      return "warning";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kSkipped:
      return "skipped";
  }
  return "failed";
}

CheckResult Passed(std::string detail) {
  return {Outcome::kPassed, std::move(detail), "", ""};
}
CheckResult Failed(std::string detail) {
  return {Outcome::kFailed, std::move(detail), "", ""};
}
CheckResult Warned(std::string detail) {
  return {Outcome::kWarning, std::move(detail), "", ""};
}
CheckResult Skipped(std::string detail) {
  return {Outcome::kSkipped, std::move(detail), "", ""};
}

CheckResult FailedAt(const std::string& where, std::string fault) {
  return {Outcome::kFailed, where + ": " + fault, std::move(fault), ""};
}

bool Usable(Outcome outcome) {
  return outcome == Outcome::kPassed || outcome == Outcome::kWarning;
}

namespace {

// A label holds no tab: the tab ends it.
std::string AsLabel(std::string text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
  return text;
}

}  // namespace

std::string EncodeResult(const CheckResult& result) {
  return EncodeLabelled(
      {OutcomeName(result.outcome),
       EncodeLabelled(
           {AsLabel(result.cause), EncodeLabelled({AsLabel(result.evidence), result.detail})})});
}

std::optional<CheckResult> DecodeResult(const std::string& payload) {
  const std::optional<LabelledText> labelled = DecodeLabelled(payload);
  if (!labelled) return std::nullopt;
  for (Outcome known : {Outcome::kPassed, Outcome::kWarning, Outcome::kFailed, Outcome::kSkipped}) {
    if (labelled->label != OutcomeName(known)) continue;
    CheckResult result{known, labelled->text, "", ""};
    const std::optional<LabelledText> cause = DecodeLabelled(labelled->text);
    const std::optional<LabelledText> evidence = cause ? DecodeLabelled(cause->text) : std::nullopt;
    if (evidence) result = {known, evidence->text, cause->label, evidence->label};
    return result;
  }
  return std::nullopt;
}
