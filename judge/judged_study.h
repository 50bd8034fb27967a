// A study as the judge knows it: its study function, what it declares, and
// its own rule when the tool knows one. Every call the checks, tests and
// fuzzers make is judged through one.
#pragma once

#include <memory>
#include <string>

#include "judge/declaration.h"
#include "judge/record_guard.h"
#include "judge/study_rule.h"

namespace judge {

// The hosts of the defaults calls the declaration was read in, kept with
// their records as those calls left them: a host keeps the records of past
// calls, and a study must never write into one.
struct DeclaringCalls {
  DeclaringHosts hosts;
  RecordImage first_returned;
  RecordImage second_returned;
};

struct JudgedStudy {
  std::string name;  // the study function's export name
  StudyFunction function = nullptr;
  Declaration declaration;                    // as its defaults call makes it
  const StudyRule* rule = nullptr;            // judged on top of the host's rules; null: none known
  std::shared_ptr<DeclaringCalls> declaring;  // shared by copies of the study

  // The study function itself, for a host to call.
  operator StudyFunction() const { return function; }  // NOLINT: a study is called as one
};

// The study `function` exported as `name`: its declaration read from its
// defaults calls (module code runs), and the rule the tool knows for it, if
// any (see known_rules.h).
JudgedStudy JudgeStudy(const std::string& name, StudyFunction function);

// The first field of a declaring call's record changed since that call
// returned, in words ("the record of the declaring defaults call: ...");
// "" when none.
std::string DeclaringRecordChanged(const JudgedStudy& study);

// The same, with the rule given (a test's, holding a credit of its own).
JudgedStudy JudgeStudyByRule(const std::string& name, StudyFunction function,
                             const StudyRule* rule);

}  // namespace judge
