// Which calls to make: the host configurations a study is driven in, the
// values a user gives its declared inputs, and the kinds of call a host
// makes. The tool's checks, the tests, the fuzzer and the benchmarks all
// take their calls from here.
#pragma once

#include <cstdint>
#include <span>

#include "host/stand_in_host.h"
#include "judge/judged_study.h"

namespace judge {

// Host configurations, by what they lack or get wrong.
inline constexpr StandInHostOptions kFullHost = {};
inline constexpr StandInHostOptions kNoArrayNoAllocate = {.array = ArrayDelivery::kNever,
                                                          .allocate_service = false};
inline constexpr StandInHostOptions kAllocateNeverSupplies = {.array = ArrayDelivery::kNever};
inline constexpr StandInHostOptions kArrayOnAllocate = {.array = ArrayDelivery::kOnAllocate};
inline constexpr StandInHostOptions kShortArray = {.slot_count = 3};
inline constexpr StandInHostOptions kEmptyArray = {.count_shown = 0};
inline constexpr StandInHostOptions kNegativeCount = {.count_shown = -3};
inline constexpr StandInHostOptions kNoSetDescription = {.set_description_service = false};
inline constexpr StandInHostOptions kNoPositionQuery = {.position_query_service = false};
inline constexpr StandInHostOptions kNoServices = {.array = ArrayDelivery::kNever,
                                                   .allocate_service = false,
                                                   .set_description_service = false,
                                                   .position_query_service = false};

struct HostConfiguration {
  const char* name;
  StandInHostOptions options;
};

// Hosts missing a piece a study must do without.
inline constexpr HostConfiguration kHostsWithMissingPieces[] = {
    {"no input array, no allocate service", kNoArrayNoAllocate},
    {"an allocate service that never supplies the array", kAllocateNeverSupplies},
    {"an empty input array", kEmptyArray},
    {"no set-description service", kNoSetDescription},
    {"no position query service", kNoPositionQuery},
    {"no services at all", kNoServices},
};

// What a user sets the declared inputs to.
enum class InputChoice {
  kDefaults,      // each input at its declared default
  kFirstYesNoOn,  // the defaults, the first yes/no input (a study's usual on switch) set
  kEveryYesNoOn,  // the defaults, every yes/no input set
};

// Sets every declared input as `choice` says, each in the slot the study
// will read it from, in index order (without an array every input is the
// one fallback slot: the last one set is what each reads), with the
// declared type code and limits, as a host keeps them.
void ApplyInputChoice(StudyInterface& record, const Declaration& declaration, InputChoice choice);

// Sets input `index` (of type `type_code`) to the value in `value`.
void SetInputValue(StudyInterface& record, std::int32_t index, std::uint8_t type_code,
                   const SlotArea& value);

enum class PositionTexts {
  kNone,         // the position query places no text
  kOwned,        // it places owned text the study must release
  kHostStorage,  // it points the texts at host storage the study must leave alone
};

// One kind of call, in a host built for it.
struct CallScenario {
  const char* name;
  StandInHostOptions options;
  bool defaults = false;       // a defaults call; else an ordinary call
  bool declared_first = true;  // ordinary calls: a defaults call comes first
  InputChoice inputs = InputChoice::kFirstYesNoOn;
  bool host_call_flag = false;
  double position = 0;
  PositionTexts texts = PositionTexts::kOwned;
  std::int32_t owned_flag = 1;  // owned texts: their owned field, any non-zero value
};

inline constexpr CallScenario kFlatCall = {.name = "ordinary call, flat", .options = kFullHost};
inline constexpr CallScenario kInTradeCall = {
    .name = "ordinary call, in trade", .options = kFullHost, .position = -2};
inline constexpr CallScenario kEveryYesNoOnCall = {.name = "ordinary call, every yes/no input set",
                                                   .options = kFullHost,
                                                   .inputs = InputChoice::kEveryYesNoOn,
                                                   .position = 7};
inline constexpr CallScenario kHostCallFlagCall = {.name = "ordinary call, host call flag",
                                                   .options = kFullHost,
                                                   .inputs = InputChoice::kDefaults,
                                                   .host_call_flag = true,
                                                   .position = 2};
// Without an array every input reads the one fallback slot, set last to yes.
inline constexpr CallScenario kNoArrayCall = {.name = "ordinary call, no input array",
                                              .options = kNoArrayNoAllocate,
                                              .inputs = InputChoice::kEveryYesNoOn,
                                              .position = 5};

// Every kind of call: defaults calls and ordinary calls with and without an
// array, with a short array, the host call flag, missing services and texts
// in the position record.
std::span<const CallScenario> CallScenarios();

// Readies `host` (built with the scenario's options) for the scenario's call:
// the defaults call first where it needs one, the inputs and flags set.
void PrepareScenario(StandInHost& host, const CallScenario& scenario, const JudgedStudy& study);

}  // namespace judge
