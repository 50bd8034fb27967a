// validate's results as CI systems read them: JUnit XML (a test suite for
// the module's own checks and one for each study function, a test case a
// check, with its failure's words and its time) and JSON (one object a
// check, and a summary).
#pragma once

#include <string>
#include <vector>

#include "tools/study-host/validate/check_result.h"

// One check as it ended.
struct ReportedCheck {
  std::string study;  // the study function it judged; "" for the module's own checks
  std::string check;
  CheckResult result;
  double seconds = 0;
};

struct ValidateReport {
  std::string module;
  std::uint64_t seed = 0;
  std::vector<ReportedCheck> checks;
};

std::string JUnitXml(const ValidateReport& report);
std::string ReportJson(const ValidateReport& report);
