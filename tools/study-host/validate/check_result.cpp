#include "tools/study-host/validate/check_result.h"

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
  return {Outcome::kPassed, std::move(detail)};
}
CheckResult Failed(std::string detail) {
  return {Outcome::kFailed, std::move(detail)};
}
CheckResult Skipped(std::string detail) {
  return {Outcome::kSkipped, std::move(detail)};
}

bool Usable(Outcome outcome) {
  return outcome == Outcome::kPassed || outcome == Outcome::kWarning;
}

std::string EncodeResult(const CheckResult& result) {
  return EncodeLabelled({OutcomeName(result.outcome), result.detail});
}

std::optional<CheckResult> DecodeResult(const std::string& payload) {
  const std::optional<LabelledText> labelled = DecodeLabelled(payload);
  if (!labelled) return std::nullopt;
  for (Outcome known : {Outcome::kPassed, Outcome::kWarning, Outcome::kFailed, Outcome::kSkipped}) {
    if (labelled->label == OutcomeName(known)) return CheckResult{known, labelled->text};
  }
  return std::nullopt;
}
