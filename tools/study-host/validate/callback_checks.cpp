// A module that leaves a handler, a callback or a timer behind is called
// after it is gone, when the host next takes that route: the host crashes
// then, far from the module. Here every kind of call is made, the module
// is unloaded, and each route is taken at once, announced, so that a crash
// in it is named by the route; a route whose handler can be read is found
// pointing into the module's former image without a crash.
#include "tools/study-host/validate/callback_checks.h"

#include <string>

#include "host/callback_routes.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/sandbox/child_process.h"

CheckResult CheckNothingCallsBack(const CheckContext& context) {
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(scenario.name);
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, context.study());
    context.study()(&host.record());
  }
  context.session->Unload();
  // The tool's own crash handler first again, so that a crash in a route is
  // told as such, not passed to a handler the module left.
  PutCrashHandlerFirst();
  std::size_t routes = 0;
  for (const CallbackRoute& route : CallbackRoutes()) {
    const std::string phase = std::string(route.name) + ", after the module was unloaded";
    context.Announce(phase);
    const std::string found = route.exercise();
    if (!found.empty()) return Failed(phase + ": " + found);
    ++routes;
  }
  return Passed("after " + std::to_string(judge::CallScenarios().size()) +
                " kinds of call and unloading, " + std::to_string(routes) +
                " routes by which the process calls back reach nothing of the module");
}
