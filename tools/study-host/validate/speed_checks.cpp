// Each kind of ordinary call timed in batches on one host, the fastest
// batch kept: a machine busy with other work slows some batches, never all
// of them, while a module that is slow (a sleep, a table rebuilt under a
// lock) is slow in every batch.
#include <chrono>
#include <cstdio>
#include <string>

#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/validate/speed_checks.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a call may take. A sound call takes some ten nanoseconds (natively
// and under wine alike, the module's code being the same); a study that
// takes a fiftieth of a millisecond already costs a host with 100 charts
// updating 100 times a second 20 % of a core. Wide of both: 50 us.
constexpr double kMostNanosecondsPerCall = 50000;
constexpr int kCallsPerBatch = 50;
constexpr int kBatches = 10;

// The fastest batch's time per call, in nanoseconds, stopping at the first
// batch within the bound.
double FastestPerCall(const judge::CallScenario& scenario, const judge::JudgedStudy& study) {
  StandInHost host(scenario.options);
  judge::PrepareScenario(host, scenario, study);
  study(&host.record());  // the first call pays for what is cold
  double fastest = 0;
  for (int batch = 0; batch < kBatches; ++batch) {
    const Clock::time_point start = Clock::now();
    for (int call = 0; call < kCallsPerBatch; ++call) study(&host.record());
    const double per_call =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() / kCallsPerBatch;
    if (batch == 0 || per_call < fastest) fastest = per_call;
    if (fastest <= kMostNanosecondsPerCall) break;
  }
  return fastest;
}

std::string Duration(double nanoseconds) {
  char text[32];
  if (nanoseconds >= 1e6) {
    std::snprintf(text, sizeof text, "%.1f ms", nanoseconds / 1e6);
  } else if (nanoseconds >= 1e3) {
    std::snprintf(text, sizeof text, "%.1f us", nanoseconds / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.0f ns", nanoseconds);
  }
  return text;
}

}  // namespace

CheckResult CheckCallSpeed(const CheckContext& context) {
  double slowest = 0;
  std::string slowest_kind;
  int kinds = 0;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    if (scenario.defaults) continue;  // made once, when the study is added to a chart
    context.Announce(std::string("timing ") + scenario.name);
    const double per_call = FastestPerCall(scenario, context.study());
    ++kinds;
    if (per_call > kMostNanosecondsPerCall) {
      return Failed("slow calls: " + std::string(scenario.name) + " takes " + Duration(per_call) +
                    " a call at best, above the " + Duration(kMostNanosecondsPerCall) +
                    " a call may take (the host calls a study on every chart update)");
    }
    if (per_call >= slowest) {
      slowest = per_call;
      slowest_kind = scenario.name;
    }
  }
  return Passed(std::to_string(kinds) + " kinds of ordinary call take at most " +
                Duration(slowest) + " a call (" + slowest_kind + "; a call may take " +
                Duration(kMostNanosecondsPerCall) + ")");
}
