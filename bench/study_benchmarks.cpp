// Benchmarks of the study's calls on the built module, loaded as the host
// loads it, against the floor: the work the host contract makes unavoidable
// for an in-trade ordinary call.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "host/heap_calls.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "interface/position_query.h"
#include "judge/judged_study.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "lean_host.h"

#ifndef STUDY_MODULE_PATH
#error "STUDY_MODULE_PATH names the built module"
#endif

namespace {

StudyModule& Module() {
  static StudyModule module = [] {
    StudyModule loaded;
    std::string reason;
    if (LoadStudyModule(STUDY_MODULE_PATH, loaded, reason) != ModuleLoadError::kNone) {
      std::fprintf(stderr, "cannot load the module: %s\n", reason.c_str());
      std::exit(3);
    }
    return loaded;
  }();
  return module;
}

// The loaded study as the judge knows it: its declaration and its rule.
const judge::JudgedStudy& Study() {
  static const judge::JudgedStudy study = judge::JudgeStudy(Module().study_name, Module().study);
  return study;
}

// The floor: read the input array pointer, read "Enabled", zero a position
// record on the stack and set its leading field, call the position query
// through the record, read the quantity and the in-trade value, write the
// quantity. The record is zeroed the cheapest way known (straight-line
// vector stores) or, for comparison, with memset.
template <bool kWithMemset>
__attribute__((noinline)) void FloorCall(StudyInterface* record) {
  const InputSlot* slots = record->input_slots.data;
  std::int32_t enabled;
  std::memcpy(&enabled, slots[judge::kEnabled].value, sizeof enabled);
  if (enabled == 0) return;
  PositionRecord position;
  if (kWithMemset) {
    std::memset(&position, 0, sizeof position);
  } else {
    ZeroPositionRecord(position);
  }
  position.leading_field = kPositionRecordLeadingValue;
  record->position_query(&position);
  if (position.quantity == 0.0) return;
  std::int32_t in_trade;
  std::memcpy(&in_trade, slots[judge::kInTradeQuantity].value, sizeof in_trade);
  record->order_quantity = static_cast<double>(in_trade);
}

using CallFunction = void (*)(StudyInterface*);

// Nanoseconds per call of `call` over `iterations` calls.
double NanosecondsPerCall(CallFunction call, StudyInterface* record, benchmark::IterationCount n) {
  const auto start = std::chrono::steady_clock::now();
  for (benchmark::IterationCount i = 0; i < n; ++i) {
    call(record);
    benchmark::ClobberMemory();
  }
  const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count() / static_cast<double>(n);
}

// The ratio of `call`'s time to the floor's: both measured in alternating
// batches on equal hosts, each taking its fastest batch, so that a burst of
// machine noise does not land on one side only.
double RatioToFloor(CallFunction call, StudyInterface* record, benchmark::IterationCount n) {
  const std::unique_ptr<StandInHost> floor_host = MakeLeanHost(Study(), judge::kInTradeCall);
  constexpr int kBatches = 7;
  const benchmark::IterationCount batch = n / kBatches + 1;
  double best_call = 1e300;
  double best_floor = 1e300;
  for (int round = 0; round < kBatches; ++round) {
    best_floor =
        std::min(best_floor, NanosecondsPerCall(&FloorCall<false>, &floor_host->record(), batch));
    best_call = std::min(best_call, NanosecondsPerCall(call, record, batch));
  }
  return best_call / best_floor;
}

// Runs `call` in the benchmark loop, reporting heap calls per call and,
// when `compare_with_floor`, the ratio to the floor.
void RunCalls(benchmark::State& state, CallFunction call, StudyInterface* record,
              bool compare_with_floor) {
  std::int64_t heap_calls = 0;
  {
    const heap_calls::ModuleCallScope scope;
    for (auto _ : state) {
      call(record);
      benchmark::ClobberMemory();
    }
    heap_calls = scope.counts().heap_calls();
  }
  state.counters["heap_calls_per_call"] =
      static_cast<double>(heap_calls) / static_cast<double>(state.iterations());
  if (compare_with_floor) {
    state.counters["ratio_to_floor"] = RatioToFloor(call, record, state.iterations());
  }
}

template <bool kWithMemset>
void BM_Floor(benchmark::State& state) {
  const std::unique_ptr<StandInHost> host = MakeLeanHost(Study(), judge::kInTradeCall);
  RunCalls(state, &FloorCall<kWithMemset>, &host->record(), false);
}

void BM_OrdinaryCall(benchmark::State& state, const judge::CallScenario& scenario) {
  const std::unique_ptr<StandInHost> host = MakeLeanHost(Study(), scenario);
  RunCalls(state, Module().study, &host->record(), true);
}

void BM_DefaultsCall(benchmark::State& state) {
  StandInHost host;
  UseLeanDescriptionService(host);
  host.record().defaults_flag = 1;
  RunCalls(state, Module().study, &host.record(), false);
}

// Six lookups that each ask the host's allocate service for the array, then
// "Enabled" off in the fallback slot: the call is its lookups.
void BM_SlotLookupWithAllocateService(benchmark::State& state) {
  const std::unique_ptr<StandInHost> host = MakeLeanHost(Study(), judge::kNoArrayCall);
  judge::SetInputFlag(host->record(), judge::kEnabled, false);
  RunCalls(state, Module().study, &host->record(), false);
}

}  // namespace

BENCHMARK_TEMPLATE(BM_Floor, false)->Name("BM_Floor");
BENCHMARK_TEMPLATE(BM_Floor, true)->Name("BM_Floor/memset");
BENCHMARK_CAPTURE(BM_OrdinaryCall, flat, judge::kFlatCall);
BENCHMARK_CAPTURE(BM_OrdinaryCall, in_trade, judge::kInTradeCall);
BENCHMARK_CAPTURE(BM_OrdinaryCall, scaling_out, judge::kEveryYesNoOnCall);
BENCHMARK_CAPTURE(BM_OrdinaryCall, host_call_flag, judge::kHostCallFlagCall);
BENCHMARK(BM_DefaultsCall);
BENCHMARK(BM_SlotLookupWithAllocateService);

BENCHMARK_MAIN();
