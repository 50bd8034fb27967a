// What a declaration gets wrong or leaves out, judged by the host's rules
// for any study: each finding says what was found and what to do.
#pragma once

#include <string>
#include <vector>

#include "judge/declaration.h"

namespace judge {

enum class Severity { kWarning, kFailure };

struct LintFinding {
  Severity severity;
  std::string words;
};

// The longest name a host is sure to show whole, and the longest
// description (HTML) it is sure to keep.
inline constexpr std::size_t kLongestName = 128;
inline constexpr std::size_t kLongestDescription = 64 * 1024;

// Every finding, failures first, each in the order of the declaration.
std::vector<LintFinding> LintDeclaration(const Declaration& declaration);

// "input 2 'Base Quantity'", as findings and judges name an input.
std::string InputWords(std::int32_t index, const std::string& name);

}  // namespace judge
