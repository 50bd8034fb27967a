// zrPalvessa's own rule, judged on top of the host's: the declaration it
// must make (display name, credited description, settings, six inputs) and
// the order quantity each ordinary call must write.
#pragma once

#include <optional>
#include <string>

#include "judge/study_rule.h"

namespace judge {

class OrderQuantityRule final : public StudyRule {
 public:
  // `credit` is the description's exact credit anchor; without it any
  // anchor of the credit's form (or none) is accepted, since another build
  // may credit someone else.
  explicit OrderQuantityRule(std::optional<std::string> credit = std::nullopt)
      : credit_(std::move(credit)) {}

  std::string_view study_function() const override;
  std::string_view module_name() const override;
  std::string_view module_file() const override;
  bool takes_no_heap_in_ordinary_calls() const override { return true; }
  std::string JudgeDefaultsCall(const StandInHost& host, const CallFacts& facts) const override;
  std::string JudgeOrdinaryCall(const StandInHost& host, const CallFacts& facts) const override;
  std::vector<EdgeCall> OwnEdgeCalls() const override;
  std::string SweepOwnRule(StandInHost& host, void (*study)(StudyInterface*),
                           const std::function<void(const std::string&)>& announce) const override;
  std::string OwnSweepSummary() const override;

 private:
  std::optional<std::string> credit_;
};

// The rule as the tool knows it, credit unknown.
const OrderQuantityRule& KnownOrderQuantityRule();

}  // namespace judge
