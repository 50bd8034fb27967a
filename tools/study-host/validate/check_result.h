// A check's outcome and its one-line detail, and how a child reports it.
#pragma once

#include <optional>
#include <string>

enum class Outcome { kPassed, kWarning, kFailed, kSkipped };

struct CheckResult {
  Outcome outcome = Outcome::kFailed;
  std::string detail;  // one line: what was found, or why it was skipped
};

const char* OutcomeName(Outcome outcome);

CheckResult Passed(std::string detail);
CheckResult Failed(std::string detail);
CheckResult Skipped(std::string detail);

// Passed and warning: a check that needs this one may run.
bool Usable(Outcome outcome);

// A result as a result frame's payload, and back (none when malformed).
std::string EncodeResult(const CheckResult& result);
std::optional<CheckResult> DecodeResult(const std::string& payload);
