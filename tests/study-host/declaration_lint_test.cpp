// The host's rules for a declaration, held to one fault at a time: each
// finding's severity and the words that tell an author what to do.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "judge/declaration_lint.h"

namespace {

using judge::Declaration;
using judge::DeclaredInput;
using judge::LintDeclaration;
using judge::Severity;

template <typename Value>
void Put(SlotArea& area, Value value) {
  std::memcpy(area, &value, sizeof value);
}

DeclaredInput SoundInput(std::int32_t index, const std::string& name) {
  DeclaredInput input;
  input.index = index;
  input.name = name;
  input.named = true;
  input.type_code = kIntegerTypeCode;
  input.typed = true;
  Put(input.default_value, std::int32_t{5});
  input.has_default = true;
  Put(input.lower_limit, std::int32_t{1});
  Put(input.upper_limit, std::int32_t{100});
  input.has_limits = true;
  return input;
}

// A declaration as a sound study makes it: named, described, two inputs
// named, typed, with defaults inside their limits.
Declaration SoundDeclaration() {
  Declaration declaration;
  declaration.display_name = "Sizer";
  declaration.display_name_written = true;
  declaration.description = "<p>Sizes orders.</p>";
  declaration.description_written = true;
  declaration.inputs = {SoundInput(0, "Base Quantity"), SoundInput(1, "Step")};
  return declaration;
}

TEST(DeclarationLintTest, NamesEachFaultAndWhatToDo) {
  EXPECT_TRUE(LintDeclaration(SoundDeclaration()).empty());
  const struct {
    const char* fault;
    std::function<void(Declaration&)> make;
    Severity severity;
    const char* words;
  } cases[] = {
      {"no display name", [](Declaration& d) { d.display_name.clear(); }, Severity::kFailure,
       "declares no display name: the host lists the study by it"},
      {"a display name too long", [](Declaration& d) { d.display_name.assign(200, 'n'); },
       Severity::kWarning, "its display name is 200 characters long, more than the 128"},
      {"no description", [](Declaration& d) { d.description.clear(); }, Severity::kWarning,
       "declares no description"},
      {"an input without a name", [](Declaration& d) { d.inputs[1].name.clear(); },
       Severity::kFailure, "input 1 has no name"},
      {"a name with a control character", [](Declaration& d) { d.inputs[1].name = "St\tep"; },
       Severity::kWarning, "name holds a control character"},
      {"two inputs named alike", [](Declaration& d) { d.inputs[1].name = " base quantity"; },
       Severity::kFailure, "inputs 0 and 1 are both named"},
      {"no type code", [](Declaration& d) { d.inputs[0].typed = false; }, Severity::kFailure,
       "input 0 'Base Quantity' has no type code"},
      {"an undefined type code", [](Declaration& d) { d.inputs[0].type_code = 200; },
       Severity::kFailure, "has type code 200, which the interface does not define"},
      {"no default", [](Declaration& d) { d.inputs[0].has_default = false; }, Severity::kFailure,
       "has no default"},
      {"limits the wrong way round",
       [](Declaration& d) {
         Put(d.inputs[0].lower_limit, std::int32_t{100});
         Put(d.inputs[0].upper_limit, std::int32_t{1});
       },
       Severity::kFailure, "has its limits the wrong way round (lower 100, upper 1)"},
      {"a default outside its limits",
       [](Declaration& d) { Put(d.inputs[0].default_value, std::int32_t{500}); },
       Severity::kFailure, "defaults to 500, outside its limits 1 to 100"},
      {"a gap among the inputs",
       [](Declaration& d) {
         d.inputs.push_back(SoundInput(2, "Third"));
         d.inputs[1] = DeclaredInput{};
         d.inputs[1].index = 1;
       },
       Severity::kFailure, "input 1 is not declared, though inputs up to 2 are"},
      {"every offered slot filled", [](Declaration& d) { d.fills_every_offered_slot = true; },
       Severity::kWarning, "the last this tool offers"},
  };
  for (const auto& c : cases) {
    Declaration declaration = SoundDeclaration();
    c.make(declaration);
    const auto findings = LintDeclaration(declaration);
    ASSERT_EQ(findings.size(), 1u) << c.fault;
    EXPECT_EQ(findings[0].severity, c.severity) << c.fault;
    EXPECT_NE(findings[0].words.find(c.words), std::string::npos)
        << c.fault << ": " << findings[0].words;
  }
}

}  // namespace
