#include "judge/declaration_lint.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "judge/input_values.h"

namespace judge {
namespace {

class Findings {
 public:
  void Fail(std::string words) { failures_.push_back({Severity::kFailure, std::move(words)}); }
  void Warn(std::string words) { warnings_.push_back({Severity::kWarning, std::move(words)}); }
  std::vector<LintFinding> All() && {
    failures_.insert(failures_.end(), warnings_.begin(), warnings_.end());
    return std::move(failures_);
  }

 private:
  std::vector<LintFinding> failures_;
  std::vector<LintFinding> warnings_;
};

std::string Folded(const std::string& name) {
  std::string folded;
  for (const char c : name) {
    folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const auto first = folded.find_first_not_of(' ');
  const auto last = folded.find_last_not_of(' ');
  return first == std::string::npos ? "" : folded.substr(first, last - first + 1);
}

bool HasControlCharacter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string LimitText(double value) {
  std::string text = std::to_string(value);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

void LintTexts(const Declaration& declaration, Findings& findings) {
  if (declaration.display_name.empty()) {
    findings.Fail(
        "declares no display name: the host lists the study by it; write one on the defaults "
        "call");
  } else if (declaration.display_name.size() > kLongestName) {
    findings.Warn("its display name is " + std::to_string(declaration.display_name.size()) +
                  " characters long, more than the " + std::to_string(kLongestName) +
                  " a host is sure to show: shorten it");
  }
  if (declaration.description.empty()) {
    findings.Warn(
        "declares no description: users choosing a study read it; write one (HTML) on the "
        "defaults call");
  } else if (declaration.description.size() > kLongestDescription) {
    findings.Warn("its description is " + std::to_string(declaration.description.size()) +
                  " bytes long, more than the " + std::to_string(kLongestDescription) +
                  " a host is sure to keep: shorten it");
  }
}

void LintType(const DeclaredInput& input, const std::string& who, Findings& findings) {
  if (!input.typed) {
    findings.Fail(who + " has no type code: set one on the defaults call (" +
                  std::to_string(kIntegerTypeCode) + " for a whole number, " +
                  std::to_string(kYesNoTypeCode) + " for yes/no)");
    return;
  }
  const ValueMeaning meaning = TypeCodeOf(input.type_code).meaning;
  if (meaning == ValueMeaning::kUndefined) {
    findings.Fail(who + " has type code " + std::to_string(input.type_code) +
                  ", which the interface does not define: use one from 1 to " +
                  std::to_string(kHighestTypeCode));
  } else if (meaning == ValueMeaning::kNoValue) {
    findings.Warn(who + " has type code " + std::to_string(input.type_code) +
                  ", which stores no value a study can read: use one that does");
  }
}

void LintValueAndLimits(const DeclaredInput& input, const std::string& who, Findings& findings) {
  if (!input.has_default) {
    findings.Fail(who +
                  " has no default: the host would show whatever its memory held; write its "
                  "value on the defaults call");
    return;
  }
  if (!input.typed || TypeCodeOf(input.type_code).storage == ValueStorage::kNothing) return;
  const double value = StoredNumber(input.type_code, input.default_value);
  const double lower = StoredNumber(input.type_code, input.lower_limit);
  const double upper = StoredNumber(input.type_code, input.upper_limit);
  if (!input.has_limits || (lower == 0 && upper == 0)) return;
  if (std::isnan(lower) || std::isnan(upper)) {
    findings.Fail(who + " has a limit that is not a number: give both limits as numbers");
  } else if (lower > upper) {
    findings.Fail(who + " has its limits the wrong way round (lower " + LimitText(lower) +
                  ", upper " + LimitText(upper) +
                  "): write the lower limit at 44, the upper at 60");
  } else if (!(value >= lower && value <= upper)) {
    findings.Fail(who + " defaults to " + ValueText(input.type_code, input.default_value) +
                  ", outside its limits " + LimitText(lower) + " to " + LimitText(upper) +
                  ": give it a default the host accepts");
  }
}

void LintName(const DeclaredInput& input, const std::string& who, Findings& findings) {
  if (input.name.empty()) {
    findings.Fail(who +
                  " has no name: the host's users and replay's --set find an input by it; "
                  "give it one");
  } else if (input.name.size() > kLongestName) {
    findings.Warn(who + "'s name is " + std::to_string(input.name.size()) +
                  " characters long, more than the " + std::to_string(kLongestName) +
                  " a host is sure to show: shorten it");
  } else if (HasControlCharacter(input.name)) {
    findings.Warn(who + "'s name holds a control character: use printable characters only");
  }
}

void LintDuplicateNames(const Declaration& declaration, Findings& findings) {
  for (std::size_t later = 0; later < declaration.inputs.size(); ++later) {
    const DeclaredInput& input = declaration.inputs[later];
    if (input.name.empty()) continue;
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const DeclaredInput& other = declaration.inputs[earlier];
      if (Folded(other.name) != Folded(input.name)) continue;
      findings.Fail("inputs " + std::to_string(other.index) + " and " +
                    std::to_string(input.index) + " are both named '" + input.name +
                    "': the host's users and replay's --set cannot tell them apart; give each a "
                    "name of its own");
      break;
    }
  }
}

}  // namespace

std::string InputWords(std::int32_t index, const std::string& name) {
  return "input " + std::to_string(index) + (name.empty() ? "" : " '" + name + "'");
}

std::vector<LintFinding> LintDeclaration(const Declaration& declaration) {
  Findings findings;
  LintTexts(declaration, findings);
  for (const DeclaredInput& input : declaration.inputs) {
    const std::string who = InputWords(input.index, input.name);
    if (!Declaration::Declared(input)) {
      findings.Fail("input " + std::to_string(input.index) +
                    " is not declared, though inputs up to " +
                    std::to_string(declaration.input_count() - 1) +
                    " are: declare every input from 0 up, without gaps");
      continue;
    }
    LintName(input, who, findings);
    LintType(input, who, findings);
    LintValueAndLimits(input, who, findings);
  }
  LintDuplicateNames(declaration, findings);
  if (declaration.fills_every_offered_slot) {
    findings.Warn("declares inputs up to slot " + std::to_string(declaration.input_count() - 1) +
                  ", the last this tool offers: it may declare more than the tool shows");
  }
  return std::move(findings).All();
}

}  // namespace judge
