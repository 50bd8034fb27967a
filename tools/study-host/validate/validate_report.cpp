#include "tools/study-host/validate/validate_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

#include "tools/study-host/common/xml_text.h"

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

struct Counts {
  int tests = 0;
  int failures = 0;
  int skipped = 0;
  double seconds = 0;
};

Counts CountsOf(const ValidateReport& report, const std::string* study) {
  Counts counts;
  for (const ReportedCheck& check : report.checks) {
    if (study != nullptr && check.study != *study) continue;
    ++counts.tests;
    counts.failures += check.result.outcome == Outcome::kFailed ? 1 : 0;
    counts.skipped += check.result.outcome == Outcome::kSkipped ? 1 : 0;
    counts.seconds += check.seconds;
  }
  return counts;
}

std::string CountAttributes(const Counts& counts) {
  return " tests=\"" + std::to_string(counts.tests) + "\" failures=\"" +
         std::to_string(counts.failures) + "\" errors=\"0\" skipped=\"" +
         std::to_string(counts.skipped) + "\" time=\"" + Seconds(counts.seconds) + "\"";
}

std::string TestCase(const ReportedCheck& check, const std::string& suite) {
  std::string xml = "    <testcase classname=\"" + XmlText(suite) + "\" name=\"" +
                    XmlText(check.check) + "\" time=\"" + Seconds(check.seconds) + "\"";
  const std::string detail = XmlText(check.result.detail);
  switch (check.result.outcome) {
    case Outcome::kPassed:
      return xml + "/>\n";
    case Outcome::kWarning:
      return xml + ">\n      <system-out>warning: " + detail + "</system-out>\n    </testcase>\n";
    case Outcome::kFailed:
      return xml + ">\n      <failure message=\"" + detail + "\">" + detail +
             "</failure>\n    </testcase>\n";
    case Outcome::kSkipped:
      break;
  }
  return xml + ">\n      <skipped message=\"" + detail + "\"/>\n    </testcase>\n";
}

}  // namespace

std::string JUnitXml(const ValidateReport& report) {
  std::vector<std::string> studies;
  for (const ReportedCheck& check : report.checks) {
    if (std::find(studies.begin(), studies.end(), check.study) == studies.end()) {
      studies.push_back(check.study);
    }
  }
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"study-host "
      "validate\"" +
      CountAttributes(CountsOf(report, nullptr)) + ">\n";
  for (const std::string& study : studies) {
    const std::string suite = report.module + (study.empty() ? "" : " " + study);
    xml += "  <testsuite name=\"" + XmlText(suite) + "\"" +
           CountAttributes(CountsOf(report, &study)) + ">\n";
    xml += "    <properties><property name=\"seed\" value=\"" + std::to_string(report.seed) +
           "\"/></properties>\n";
    for (const ReportedCheck& check : report.checks) {
      if (check.study == study) xml += TestCase(check, suite);
    }
    xml += "  </testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

std::string ReportJson(const ValidateReport& report) {
  nlohmann::ordered_json checks = nlohmann::ordered_json::array();
  int counts[4] = {};
  for (const ReportedCheck& check : report.checks) {
    ++counts[static_cast<int>(check.result.outcome)];
    nlohmann::ordered_json entry;
    entry["check"] = check.check;
    entry["study"] =
        check.study.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(check.study);
    entry["result"] = OutcomeName(check.result.outcome);
    entry["detail"] = check.result.detail;
    entry["seconds"] = check.seconds;
    checks.push_back(std::move(entry));
  }
  nlohmann::ordered_json json;
  json["module"] = report.module;
  json["seed"] = report.seed;
  json["checks"] = std::move(checks);
  json["summary"] = {{"passed", counts[static_cast<int>(Outcome::kPassed)]},
                     {"warnings", counts[static_cast<int>(Outcome::kWarning)]},
                     {"failed", counts[static_cast<int>(Outcome::kFailed)]},
                     {"skipped", counts[static_cast<int>(Outcome::kSkipped)]}};
  // Text that is not UTF-8 (a module's own words) is written with U+FFFD.
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}
