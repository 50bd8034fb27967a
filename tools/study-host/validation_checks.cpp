#include "validation_checks.h"

#include <cstring>

#include "declared_inputs.h"
#include "host/dynamic_library.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "judge/call_judge.h"
#include "judge/contract_inputs.h"
#include "judge/expected_declaration.h"
#include "judge/record_guard.h"

namespace {

constexpr int kQuickCheckSeconds = 10;  // a load or a handful of calls
constexpr int kLongCheckSeconds = 30;   // thousands of calls

CheckResult CheckModuleLoads(const CheckContext& context) {
  context.phase("loading the module");
  DynamicLibrary library;
  std::string reason;
  if (!library.Open(context.path, reason)) return Failed(reason);
  context.phase("unloading the module");
  library.Close();
  return Passed("loads and unloads, every symbol bound at load");
}

CheckResult CheckExports(const CheckContext& context) {
  DynamicLibrary library;
  std::string reason;
  if (!library.Open(context.path, reason)) return Failed(reason);
  for (const char* name : {kModuleNameExport, kModuleVersionExport, kStudyFunctionExport}) {
    void* address = library.Symbol(name);
    if (address == nullptr) return Failed(std::string("missing export ") + name);
    if (!library.Defines(address)) {
      return Failed(std::string(name) + " resolves outside the module, into another library");
    }
  }
  return Passed(std::string(kModuleNameExport) + ", " + kModuleVersionExport + " and " +
                kStudyFunctionExport + " resolve to the module's own code");
}

CheckResult CheckInterfaceVersion(const CheckContext& context) {
  context.phase("the call of " + std::string(kModuleVersionExport));
  const std::int32_t version = context.module->version();
  if (version != kHostInterfaceVersion) {
    return Failed("module reports " + std::to_string(version) + ", this host provides " +
                  std::to_string(kHostInterfaceVersion));
  }
  return Passed(std::to_string(version));
}

CheckResult CheckModuleName(const CheckContext& context) {
  context.phase("the call of " + std::string(kModuleNameExport));
  const char* name = context.module->name();
  if (name == nullptr) return Failed(std::string(kModuleNameExport) + " returns null");
  if (std::strcmp(name, judge::kExpectedModuleName) != 0) {
    return Failed(std::string(kModuleNameExport) + " returns \"" + name + "\", expected \"" +
                  judge::kExpectedModuleName + "\"");
  }
  return Passed(std::string("\"") + name + "\", matching its study function " +
                kStudyFunctionExport);
}

CheckResult CheckDeclaresStudy(const CheckContext& context) {
  context.phase("the defaults call");
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.record().defaults_flag = 1;
  const std::string fault =
      judge::MakeJudgedCall(host, context.module->study, judge::kFillPatterns[0]);
  if (!fault.empty()) return Failed(fault);
  return Passed("display name, description, three host settings and six inputs as expected");
}

CheckResult CheckMissingHostServices(const CheckContext& context) {
  struct Host {
    const char* name;
    StandInHostOptions options;
    std::int32_t count_override;  // written over the array's count when not 0
  };
  const Host hosts[] = {
      {"no input array, no allocate service",
       {.array = ArrayDelivery::kNever, .allocate_service = false},
       0},
      {"an allocate service that never supplies the array", {.array = ArrayDelivery::kNever}, 0},
      {"an empty input array", {}, -1},
      {"no set-description service", {.set_description_service = false}, 0},
      {"no position query service", {.position_query_service = false}, 0},
      {"no services at all",
       {.array = ArrayDelivery::kNever,
        .allocate_service = false,
        .set_description_service = false,
        .position_query_service = false},
       0},
  };
  enum Call { kDefaults, kEnabled, kHostCallFlag };
  const char* const call_names[] = {"defaults call", "ordinary call", "host call flag"};
  int calls = 0;
  for (const Host& shape : hosts) {
    StandInHost host(shape.options);
    if (shape.count_override != 0) host.record().input_slots.count = shape.count_override;
    host.set_position(4);
    for (Call call : {kDefaults, kEnabled, kHostCallFlag}) {
      const std::string where = std::string(shape.name) + ", " + call_names[call];
      context.phase(where);
      host.record().defaults_flag = call == kDefaults ? 1 : 0;
      host.record().host_call_flag = call == kHostCallFlag ? 1 : 0;
      if (call == kEnabled) host.SetFlag(judge::kEnabled, true);
      const std::string fault =
          judge::MakeJudgedCall(host, context.module->study, judge::kFillPatterns[calls % 3]);
      ++calls;
      if (!fault.empty()) return Failed(where + ": " + fault);
    }
  }
  context.phase("a call with a null record");
  context.module->study(nullptr);
  return Passed(std::to_string(calls) + " calls in hosts with missing pieces, and a null record");
}

const std::vector<CheckDefinition> kChecks = {
    {"module-loads", nullptr, false, kQuickCheckSeconds, &CheckModuleLoads},
    {"exports-resolve", "module-loads", false, kQuickCheckSeconds, &CheckExports},
    {"interface-version", "exports-resolve", true, kQuickCheckSeconds, &CheckInterfaceVersion},
    {"module-name", "exports-resolve", true, kQuickCheckSeconds, &CheckModuleName},
    {"declares-study", "interface-version", true, kQuickCheckSeconds, &CheckDeclaresStudy},
    {"record-untouched", "interface-version", true, kQuickCheckSeconds, &CheckRecordUntouched},
    {"missing-host-services", "interface-version", true, kQuickCheckSeconds,
     &CheckMissingHostServices},
    {"heap-balance", "interface-version", true, kLongCheckSeconds, &CheckHeapBalance},
    {"edge-positions", "interface-version", true, kLongCheckSeconds, &CheckEdgePositions},
    {"randomized-calls", "interface-version", true, kLongCheckSeconds, &CheckRandomizedCalls},
};

}  // namespace

const std::vector<CheckDefinition>& ValidationChecks() {
  return kChecks;
}

const CheckDefinition* FindCheck(const std::string& name) {
  for (const CheckDefinition& check : kChecks) {
    if (name == check.name) return &check;
  }
  return nullptr;
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed:
      return "passed";
    case Outcome::kWarning:
      return "warning";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kSkipped:
      return "skipped";
  }
  return "failed";
}

CheckResult Passed(std::string detail) {
  return {Outcome::kPassed, std::move(detail)};
}
CheckResult Failed(std::string detail) {
  return {Outcome::kFailed, std::move(detail)};
}
CheckResult Skipped(std::string detail) {
  return {Outcome::kSkipped, std::move(detail)};
}
