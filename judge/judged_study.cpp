#include "judge/judged_study.h"

#include "judge/known_rules.h"

namespace judge {

JudgedStudy JudgeStudy(const std::string& name, StudyFunction function) {
  return JudgeStudyByRule(name, function, KnownRuleFor(name));
}

JudgedStudy JudgeStudyByRule(const std::string& name, StudyFunction function,
                             const StudyRule* rule) {
  auto declaring = std::make_shared<DeclaringCalls>();
  Declaration declaration = ReadDeclaration(function, &declaring->hosts);
  declaring->first_returned = TakeRecordImage(*declaring->hosts.first);
  declaring->second_returned = TakeRecordImage(*declaring->hosts.second);
  return {name, function, std::move(declaration), rule, std::move(declaring)};
}

std::string DeclaringRecordChanged(const JudgedStudy& study) {
  if (!study.declaring) return "";
  DeclaringCalls& calls = *study.declaring;
  const struct {
    StandInHost& host;
    const RecordImage& returned;
  } records[] = {{*calls.hosts.first, calls.first_returned},
                 {*calls.hosts.second, calls.second_returned}};
  for (const auto& record : records) {
    const std::string changed = FirstChangedField(
        record.host, record.returned, CurrentRecordBytes(record.host), study.declaration);
    if (!changed.empty())
      return "the record of the defaults call its declaration was read in: " + changed;
  }
  return "";
}

}  // namespace judge
