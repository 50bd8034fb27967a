#include "tools/study-host/validate/checks.h"

std::optional<Check> CheckNamed(std::string_view name) {
  for (const CheckDefinition& definition : kChecks) {
    if (definition.name == name) return definition.check;
  }
  return std::nullopt;
}

std::string CheckNames() {
  std::string names;
  for (const CheckDefinition& definition : kChecks) {
    names += (names.empty() ? "" : ", ") + std::string(definition.name);
  }
  return names;
}

std::vector<Check> WithNeededChecks(std::span<const Check> selection) {
  bool wanted[std::size(kChecks)] = {};
  for (Check check : selection) wanted[static_cast<std::size_t>(check)] = true;
  // Needs point backwards, so one pass from the last check reaches them all.
  for (std::size_t index = std::size(kChecks); index-- > 0;) {
    const std::optional<Check> needs = kChecks[index].needs;
    if (wanted[index] && needs) wanted[static_cast<std::size_t>(*needs)] = true;
  }
  std::vector<Check> run;
  for (const CheckDefinition& definition : kChecks) {
    if (wanted[static_cast<std::size_t>(definition.check)]) run.push_back(definition.check);
  }
  return run;
}
