#include "validation_checks.h"

#include <cmath>
#include <cstring>

#include "declared_inputs.h"
#include "host/heap_census.h"
#include "host/host_text.h"
#include "host/record_guard.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"

namespace {

constexpr std::uint8_t kPrivatePattern = 0xA5;

struct ExpectedInput {
  const char* name;
  std::uint8_t type_code;
};

const ExpectedInput kExpectedInputs[] = {
    {"Enabled", 5},
    {"Position Qty While Flat", 11},
    {"Position Qty During Trade", 11},
    {"Scale Out of Position", 5},
    {"Scale Out Percentage", 11},
    {"Round Scale Out Quantity Down (default is up)", 5},
};

CheckResult CheckExports(const CheckSettings&, const StudyModule&) {
  return Passed(
      "scdll_DLLName, scdll_DLLVersion and scsf_zrPalvessa resolve, every symbol bound "
      "at load");
}

CheckResult CheckInterfaceVersion(const CheckSettings&, const StudyModule& module) {
  const std::int32_t version = module.version();
  if (version != kHostInterfaceVersion) {
    return Failed("module reports " + std::to_string(version) + ", this host provides " +
                  std::to_string(kHostInterfaceVersion));
  }
  return Passed(std::to_string(version));
}

CheckResult CheckModuleName(const CheckSettings&, const StudyModule& module) {
  const char* name = module.name();
  if (name == nullptr) return Failed("scdll_DLLName returns null");
  if (std::strcmp(name, "zrPalvessa") != 0) {
    return Failed(std::string("scdll_DLLName returns \"") + name +
                  "\", the study function is scsf_zrPalvessa");
  }
  return Passed("\"zrPalvessa\", matching its study function scsf_zrPalvessa");
}

CheckResult CheckDeclaredInputs(const CheckSettings&, const StudyModule& module) {
  StandInHost host({.slot_count = kOfferedInputSlots});
  host.CallDefaults(module.study);
  if (TextOf(host.record().display_name).empty()) return Failed("no display name declared");
  const std::vector<DeclaredInput> inputs = ReadDeclaredInputs(host);
  if (inputs.size() != std::size(kExpectedInputs)) {
    return Failed(std::to_string(inputs.size()) + " inputs declared, expected 6");
  }
  for (std::size_t index = 0; index < inputs.size(); ++index) {
    const DeclaredInput& input = inputs[index];
    const ExpectedInput& expected = kExpectedInputs[index];
    if (input.slot != static_cast<std::int32_t>(index) || input.name != expected.name ||
        input.type_code != expected.type_code) {
      return Failed("slot " + std::to_string(input.slot) + " declares \"" + input.name + "\" as " +
                    TypeName(input.type_code) + ", expected \"" + expected.name + "\" as " +
                    TypeName(expected.type_code));
    }
  }
  return Passed("six inputs with the expected names and type codes");
}

// One call watched for writes outside what its kind may write.
std::string WatchedCall(StandInHost& host, StudyFunctionExport study, CallKind kind) {
  FillPrivateBytes(host, kPrivatePattern);
  const RecordImage before = TakeRecordImage(host);
  if (kind == CallKind::kDefaults) {
    host.CallDefaults(study);
  } else {
    host.CallOrdinary(study);
  }
  return FindForbiddenWrite(before, TakeRecordImage(host), kind);
}

CheckResult CheckRecordUntouched(const CheckSettings&, const StudyModule& module) {
  struct Scenario {
    const char* name;
    StandInHostOptions options;
  };
  const Scenario scenarios[] = {
      {"input array", {}},
      {"no input array", {.array = ArrayDelivery::kNever, .allocate_service = false}},
  };
  int calls = 0;
  for (const Scenario& scenario : scenarios) {
    StandInHost host(scenario.options);
    host.set_position_texts("host text", "more host text");
    std::string found = WatchedCall(host, module.study, CallKind::kDefaults);
    ++calls;
    if (!found.empty()) return Failed(std::string(scenario.name) + ", defaults call: " + found);
    const struct {
      bool enabled, scale_out, host_call_flag;
      double position;
    } ordinary[] = {{false, false, false, 3}, {true, false, false, 0},  {true, false, false, -2},
                    {true, true, false, 7},   {true, true, false, 0.5}, {false, false, true, 4}};
    for (const auto& call : ordinary) {
      host.SetFlag(0, call.enabled);
      host.SetFlag(3, call.scale_out);
      host.record().host_call_flag = call.host_call_flag ? 1 : 0;
      host.set_position(call.position);
      found = WatchedCall(host, module.study, CallKind::kOrdinary);
      ++calls;
      if (!found.empty()) return Failed(std::string(scenario.name) + ", ordinary call: " + found);
    }
  }
  return Passed(std::to_string(calls) + " calls wrote only the fields their kind may write");
}

// Heap in use after `cycles` hosts each made a defaults call and ordinary
// calls that hand the module owned host text to release.
HeapCensus CensusAfterCycles(StudyFunctionExport study, int cycles) {
  for (int cycle = 0; cycle < cycles; ++cycle) {
    StandInHost host;
    host.CallDefaults(study);
    host.SetFlag(0, true);
    host.SetFlag(3, cycle % 2 == 0);
    host.set_position_texts("host text placed in the position record", "and another");
    for (double position : {0.0, 2.0, -5.0, 1.0, 0.0, 9.0, -0.0, 3.5}) {
      host.set_position(position);
      host.CallOrdinary(study);
    }
  }
  return TakeHeapCensus();
}

CheckResult CheckHeapBalance(const CheckSettings&, const StudyModule& module) {
  if (!TakeHeapCensus().supported) {
    return Skipped("this build cannot count the heap (AddressSanitizer checks leaks itself)");
  }
  constexpr int kCycles = 250;
  HeapCensus before = CensusAfterCycles(module.study, kCycles);  // lets the allocators settle
  for (int round = 1; round <= 3; ++round) {
    const HeapCensus after = CensusAfterCycles(module.study, kCycles);
    if (after.bytes == before.bytes && after.blocks == before.blocks) {
      return Passed(std::to_string(kCycles * 9 * (round + 1)) +
                    " calls with host text to release left the heap as they found it");
    }
    before = after;
  }
  const HeapCensus after = CensusAfterCycles(module.study, kCycles);
  return Failed("the heap grows by " + std::to_string(after.bytes - before.bytes) + " bytes" +
                (after.blocks >= 0
                     ? " (" + std::to_string(after.blocks - before.blocks) + " blocks)"
                     : std::string()) +
                " every " + std::to_string(kCycles * 9) + " calls");
}

CheckResult CheckMissingHostServices(const CheckSettings&, const StudyModule& module) {
  struct Scenario {
    const char* name;
    StandInHostOptions options;
    std::int32_t count_override;  // written over the array count when not 0
    bool query_possible;
  };
  const Scenario scenarios[] = {
      {"no input array, no allocate service",
       {.array = ArrayDelivery::kNever, .allocate_service = false},
       0,
       true},
      {"allocate service that never supplies the array", {.array = ArrayDelivery::kNever}, 0, true},
      {"negative input count", {}, -3, true},
      {"no set-description service", {.set_description_service = false}, 0, true},
      {"no position query service", {.position_query_service = false}, 0, false},
  };
  // Every scenario leaves 1 as the in-trade quantity (the default, or the
  // fallback slot's yes/no value), so each written quantity must be 1.
  for (const Scenario& scenario : scenarios) {
    StandInHost host(scenario.options);
    if (scenario.count_override != 0) host.record().input_slots.count = scenario.count_override;
    host.CallDefaults(module.study);
    host.SetFlag(0, true);
    host.set_position(4);
    host.record().order_quantity = -1;
    host.CallOrdinary(module.study);
    const double expected = scenario.query_possible ? 1 : -1;
    if (host.record().order_quantity != expected) {
      return Failed(std::string(scenario.name) + ": ordinary call left the quantity at " +
                    std::to_string(host.record().order_quantity) + ", expected " +
                    std::to_string(expected));
    }
    host.record().host_call_flag = 1;
    host.record().order_quantity = -1;
    host.CallOrdinary(module.study);
    if (host.record().order_quantity != 1) {
      return Failed(std::string(scenario.name) + ": the host call flag wrote " +
                    std::to_string(host.record().order_quantity) + ", expected 1");
    }
  }
  module.study(nullptr);
  return Passed(std::to_string(std::size(scenarios)) +
                " hosts with missing pieces and a null record, no crash");
}

const std::vector<CheckDefinition> kChecks = {
    {"exports-resolve", nullptr, &CheckExports},
    {"interface-version", "exports-resolve", &CheckInterfaceVersion},
    {"module-name", "exports-resolve", &CheckModuleName},
    {"declares-six-inputs", "interface-version", &CheckDeclaredInputs},
    {"record-untouched", "interface-version", &CheckRecordUntouched},
    {"missing-host-services", "interface-version", &CheckMissingHostServices},
    {"heap-balance", "interface-version", &CheckHeapBalance},
    {"randomized-calls", "interface-version", &CheckRandomizedCalls},
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
