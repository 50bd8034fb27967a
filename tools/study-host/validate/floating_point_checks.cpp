// The floating-point control state: the host computes on after the module
// returns, in the state it had before.
#include "tools/study-host/validate/floating_point_checks.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "judge/floating_point_state.h"

namespace {

// "" when `what` left the state as it found it `before`; else the change,
// with the state set back.
std::string ChangeBy(const std::string& what, const judge::FloatingPointState& before) {
  const std::string change = judge::FloatingPointChange(before, judge::CurrentFloatingPointState());
  judge::SetFloatingPointState(before);
  return change.empty() ? "" : what + " changed the floating-point control state: " + change;
}

}  // namespace

// The state after loading, after every kind of call
// and after unloading is the state before.
CheckResult CheckFloatingPointState(const CheckContext& context) {
  std::string change = ChangeBy("loading the module", context.before_load);
  if (!change.empty()) return Failed(change);
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    StandInHost host(scenario.options);
    const judge::FloatingPointState before = judge::CurrentFloatingPointState();
    judge::PrepareScenario(host, scenario, context.study());
    context.study()(&host.record());
    change = ChangeBy(scenario.name, before);
    if (!change.empty()) return Failed(change);
  }
  const judge::FloatingPointState before_unload = judge::CurrentFloatingPointState();
  context.session->Unload();
  change = ChangeBy("unloading the module", before_unload);
  if (!change.empty()) return Failed(change);
  return Passed("unchanged by loading, " + std::to_string(judge::CallScenarios().size()) +
                " kinds of call and unloading");
}
