#include "judge/random_calls.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "host/host_text.h"
#include "judge/edge_calls.h"

namespace judge {
namespace {

double RandomPosition(Choices& choices) {
  if (choices.Chance(40)) return kEdgePositions[choices.Below(std::size(kEdgePositions))];
  if (choices.Chance(50))
    return static_cast<double>(static_cast<std::int32_t>(choices.Below(41)) - 20);
  const std::uint64_t bits = choices.Bits();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A random value for a slot of type `code`: small whole numbers, positions
// as float or double, or random bytes.
void RandomizeValue(SlotArea& value, Choices& choices) {
  for (std::uint8_t& byte : value) byte = static_cast<std::uint8_t>(choices.Below(256));
  switch (choices.Below(4)) {
    case 0:
      WriteSlotArea<std::int32_t>(value, static_cast<std::int32_t>(choices.Below(211)) - 10);
      break;
    case 1:
      WriteSlotArea(value, static_cast<float>(RandomPosition(choices)));
      break;
    case 2:
      WriteSlotArea(value, RandomPosition(choices));
      break;
    default:
      break;  // random bytes
  }
}

// A random type code and value for one slot: mostly the type the study
// declared for the input the slot stands for (or yes/no and whole number),
// now and then any code, as a host with a stale or damaged record may hold.
void RandomizeSlot(InputSlot& slot, const DeclaredInput* declared, Choices& choices) {
  if (declared != nullptr && declared->typed && choices.Chance(60)) {
    slot.type_code = declared->type_code;
  } else {
    slot.type_code = choices.Chance(50) ? (choices.Chance(50) ? kYesNoTypeCode : kIntegerTypeCode)
                                        : static_cast<std::uint8_t>(choices.Below(256));
  }
  RandomizeValue(slot.value, choices);
}

// A flag's value: mostly off, else any non-zero value.
std::int32_t RandomFlag(Choices& choices, std::uint32_t percent_set) {
  return choices.Chance(percent_set) ? static_cast<std::int32_t>(choices.Bits() | 1) : 0;
}

void PlaceRandomTexts(StandInHost& host, Choices& choices) {
  if (choices.Chance(30)) {
    // Owned (any non-zero flag: 1, -1, 2 or another) or host storage (0).
    const std::int32_t flags[] = {1, 1, -1, 2, static_cast<std::int32_t>(choices.Bits() | 1), 0};
    host.set_position_texts(choices.Chance(80) ? "first host text" : "",
                            choices.Chance(80) ? "second host text" : "",
                            flags[choices.Below(std::size(flags))]);
  }
  if (choices.Chance(10)) PlaceHostText(host.record().display_name, "older name");
  if (choices.Chance(10)) PlaceHostText(host.record().description, "older description");
}

}  // namespace

StandInHostOptions RandomHostOptions(Choices& choices) {
  StandInHostOptions options;
  const std::int32_t counts[] = {6, 6, 6, 1, 3, 8, 0};
  options.slot_count = counts[choices.Below(std::size(counts))];
  options.array = choices.Chance(75)
                      ? ArrayDelivery::kUpFront
                      : (choices.Chance(50) ? ArrayDelivery::kOnAllocate : ArrayDelivery::kNever);
  options.allocate_service = choices.Chance(85);
  options.set_description_service = choices.Chance(85);
  options.position_query_service = choices.Chance(90);
  if (choices.Chance(5)) options.count_shown = static_cast<std::int32_t>(choices.Below(4)) - 3;
  return options;
}

RandomCall PrepareRandomCall(StandInHost& host, const Declaration& declaration, Choices& choices) {
  RandomCall call;
  host.record().defaults_flag = RandomFlag(choices, 10);
  host.record().host_call_flag = RandomFlag(choices, 15);
  call.defaults = host.record().defaults_flag != 0;
  call.host_call_flag = host.record().host_call_flag != 0;
  call.position = RandomPosition(choices);
  host.set_position(call.position);
  PlaceRandomTexts(host, choices);
  const auto declared = [&declaration](std::int32_t index) -> const DeclaredInput* {
    if (declaration.inputs.empty()) return nullptr;
    const auto last = declaration.inputs.size() - 1;
    return &declaration.inputs[std::min(static_cast<std::size_t>(index), last)];
  };
  for (std::int32_t index = 0; index < host.slot_count() && host.has_array(); ++index) {
    RandomizeSlot(host.input(index), declared(index), choices);
  }
  RandomizeSlot(host.record().input_slots.fallback, declared(declaration.input_count() - 1),
                choices);
  return call;
}

}  // namespace judge
