// The studies whose own rule the tool knows: ours. Every other study is
// judged by the host's rules alone.
#pragma once

#include <string_view>

#include "judge/study_rule.h"

namespace judge {

// The rule for the study function exported as `study_function`, or null.
const StudyRule* KnownRuleFor(std::string_view study_function);

}  // namespace judge
