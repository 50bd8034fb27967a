// Loads the built module as the host does and makes N in-trade ordinary
// calls: the program callgrind counts instructions on (the difference of two
// N, divided, gives instructions per call), and a check that an ordinary
// call makes no heap call.
//
//   call_driver MODULE N          make N calls
//   call_driver MODULE --check    fail unless ordinary calls make no heap call
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/heap_calls.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "judge/judged_study.h"
#include "lean_host.h"

namespace {

// Each ordinary-call scenario, 1000 calls: any heap call fails the check.
int CheckNoHeapCalls(const StudyModule& module) {
  if (!heap_calls::Supported()) {
    std::fprintf(stderr, "call_driver: this build cannot count heap calls\n");
    return EXIT_FAILURE;
  }
  const struct {
    const char* name;
    const judge::CallScenario& scenario;
  } scenarios[] = {{"flat", judge::kFlatCall},
                   {"in trade", judge::kInTradeCall},
                   {"scaling out", judge::kEveryYesNoOnCall},
                   {"host call flag", judge::kHostCallFlagCall},
                   {"no array, allocate service", judge::kNoArrayCall}};
  const judge::JudgedStudy study = judge::JudgeStudy(module.study_name, module.study);
  int failures = 0;
  for (const auto& s : scenarios) {
    const std::unique_ptr<StandInHost> host = MakeLeanHost(study, s.scenario);
    std::int64_t calls = 0;
    {
      const heap_calls::ModuleCallScope scope;
      for (int call = 0; call < 1000; ++call) module.study(&host->record());
      calls = scope.counts().heap_calls();
    }
    std::printf("%-28s %llu heap calls in 1000 ordinary calls\n", s.name,
                static_cast<unsigned long long>(calls));
    if (calls != 0) ++failures;
  }
  return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: call_driver MODULE (N | --check)\n");
    return 2;
  }
  StudyModule module;
  std::string reason;
  if (LoadStudyModule(argv[1], module, reason) != ModuleLoadError::kNone) {
    std::fprintf(stderr, "call_driver: %s\n", reason.c_str());
    return 3;
  }
  if (std::string(argv[2]) == "--check") return CheckNoHeapCalls(module);
  const long calls = std::strtol(argv[2], nullptr, 10);
  const std::unique_ptr<StandInHost> host =
      MakeLeanHost(judge::JudgeStudy(module.study_name, module.study), judge::kInTradeCall);
  StudyInterface* record = &host->record();
  for (long call = 0; call < calls; ++call) module.study(record);
  return record->order_quantity == 1 ? EXIT_SUCCESS : EXIT_FAILURE;
}
