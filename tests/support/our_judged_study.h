// Our study as the judge knows it: its own rule on top of the host's, with
// the credit this build configured.
#pragma once

#include "judge/judged_study.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "judge/order_quantity_study/order_quantity_rule.h"
#include "support/configured_credit.h"

inline const judge::OrderQuantityRule& ConfiguredRule() {
  static const judge::OrderQuantityRule rule(ConfiguredCredit());
  return rule;
}

// `function` (our study function, linked or loaded) judged by that rule;
// its declaration is read by its defaults calls.
inline judge::JudgedStudy OurJudgedStudy(judge::StudyFunction function) {
  return judge::JudgeStudyByRule(judge::kExpectedStudyFunction, function, &ConfiguredRule());
}
