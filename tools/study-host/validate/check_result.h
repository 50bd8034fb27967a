// A check's outcome and its one-line detail, and how a child reports it.
#pragma once

#include <optional>
#include <string>

enum class Outcome { kPassed, kWarning, kFailed, kSkipped };

struct CheckResult {
  Outcome outcome = Outcome::kFailed;
  std::string detail;  // one line: what was found, or why it was skipped
  // A failure's cause without where it was met, so a later check meeting
  // the same one can say so briefly; "" when the detail is the cause.
  std::string cause;
  // What the check learnt for the checks after it (the study functions the
  // module exports, a digest of what its calls did); never shown.
  std::string evidence;
};

const char* OutcomeName(Outcome outcome);

CheckResult Passed(std::string detail);
CheckResult Failed(std::string detail);
CheckResult Skipped(std::string detail);
CheckResult Warned(std::string detail);
// A failure met at `where` ("ordinary call, flat"): "where: fault".
CheckResult FailedAt(const std::string& where, std::string fault);

// Passed and warning: a check that needs this one may run.
bool Usable(Outcome outcome);

// A result as a result frame's payload, and back (none when malformed).
std::string EncodeResult(const CheckResult& result);
std::optional<CheckResult> DecodeResult(const std::string& payload);
