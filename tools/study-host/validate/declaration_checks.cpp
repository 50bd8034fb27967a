// Checks of the declaration: what the defaults call declares.
#include "tools/study-host/validate/declaration_checks.h"
#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/record_guard.h"
#include "tools/study-host/session/declared_inputs.h"

CheckResult CheckDeclaresStudy(const CheckContext& context) {
  context.Announce("the defaults call");
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.record().defaults_flag = 1;
  const std::string fault = judge::MakeJudgedCall(host, context.study(), judge::FillPatternFor(0));
  if (!fault.empty()) return Failed(fault);
  return Passed("display name, description, three host settings and six inputs as expected");
}
