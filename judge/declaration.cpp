#include "judge/declaration.h"

#include <cstring>

#include "host/host_text.h"

namespace judge {
namespace {

constexpr std::uint8_t kFirstPattern = 0xA5;
constexpr std::uint8_t kSecondPattern = 0x5A;

template <typename Field>
void FillWith(Field& field, std::uint8_t pattern) {
  std::memset(&field, pattern, sizeof field);
}

template <typename Field>
bool HoldsPattern(const Field& field, std::uint8_t pattern) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&field);
  for (std::size_t at = 0; at < sizeof field; ++at) {
    if (bytes[at] != pattern) return false;
  }
  return true;
}

// A host offering every slot, each field a declaration writes filled with
// `pattern`.
void PrepareDeclaringHost(StandInHost& host, std::uint8_t pattern) {
  StudyInterface& record = host.record();
  FillWith(record.host_setting_16, pattern);
  FillWith(record.host_setting_176, pattern);
  FillWith(record.host_setting_892, pattern);
  for (std::int32_t index = 0; index < kOfferedInputSlots; ++index) {
    InputSlot& slot = host.input(index);
    FillWith(slot.type_code, pattern);
    FillWith(slot.value, pattern);
    FillWith(slot.lower_limit, pattern);
    FillWith(slot.upper_limit, pattern);
  }
}

bool TextWritten(const StudyText& text) {
  return text.changed != 0 || !TextOf(text).empty();
}

DeclaredInput InputIn(const StandInHost& host, std::int32_t index, std::uint8_t pattern) {
  const InputSlot& slot = host.record().input_slots.data[index];
  DeclaredInput input;
  input.index = index;
  input.name = TextOf(slot.name);
  input.named = TextWritten(slot.name);
  input.type_code = slot.type_code;
  input.typed = slot.type_code != pattern;
  std::memcpy(input.default_value, slot.value, sizeof(SlotArea));
  input.has_default = !HoldsPattern(slot.value, pattern);
  std::memcpy(input.lower_limit, slot.lower_limit, sizeof(SlotArea));
  std::memcpy(input.upper_limit, slot.upper_limit, sizeof(SlotArea));
  input.has_limits =
      !HoldsPattern(slot.lower_limit, pattern) || !HoldsPattern(slot.upper_limit, pattern);
  for (const DescriptionCall& call : host.description_calls()) {
    if (call.argument == slot.description_argument) input.description = call.text;
  }
  return input;
}

// A byte of an area counts as written only where both calls left the same
// value (a byte left alone holds each call's own pattern); one left alone
// reads 0.
bool KeepWrittenBytes(SlotArea& first, const SlotArea& second) {
  bool written = false;
  for (std::size_t at = 0; at < sizeof(SlotArea); ++at) {
    if (first[at] == second[at]) {
      written = true;
    } else {
      first[at] = 0;
    }
  }
  return written;
}

void KeepWhereBothAgree(DeclaredInput& first, const DeclaredInput& second) {
  first.typed = first.typed && second.typed && first.type_code == second.type_code;
  first.has_default = KeepWrittenBytes(first.default_value, second.default_value);
  const bool lower = KeepWrittenBytes(first.lower_limit, second.lower_limit);
  const bool upper = KeepWrittenBytes(first.upper_limit, second.upper_limit);
  first.has_limits = lower || upper;
}

void DropUndeclaredTail(Declaration& declaration) {
  while (!declaration.inputs.empty() && !Declaration::Declared(declaration.inputs.back())) {
    declaration.inputs.pop_back();
  }
}

}  // namespace

Declaration DeclarationIn(const StandInHost& host, std::uint8_t pattern) {
  const StudyInterface& record = host.record();
  Declaration declaration;
  declaration.display_name = TextOf(record.display_name);
  declaration.display_name_written = TextWritten(record.display_name);
  declaration.description = TextOf(record.description);
  declaration.description_written = TextWritten(record.description);
  const WrittenSetting settings[] = {{"host setting 16", record.host_setting_16},
                                     {"host setting 176", record.host_setting_176},
                                     {"host setting 892", record.host_setting_892}};
  const std::int32_t* fields[] = {&record.host_setting_16, &record.host_setting_176,
                                  &record.host_setting_892};
  for (std::size_t at = 0; at < std::size(settings); ++at) {
    if (!HoldsPattern(*fields[at], pattern)) declaration.settings.push_back(settings[at]);
  }
  const std::int32_t slots = record.input_slots.data != nullptr ? record.input_slots.count : 0;
  for (std::int32_t index = 0; index < slots; ++index) {
    declaration.inputs.push_back(InputIn(host, index, pattern));
  }
  DropUndeclaredTail(declaration);
  declaration.fills_every_offered_slot = slots > 0 && declaration.input_count() == slots;
  return declaration;
}

Declaration ReadDeclaration(StudyFunction study, DeclaringHosts* hosts) {
  auto first_host =
      std::make_unique<StandInHost>(StandInHostOptions{.slot_count = kOfferedInputSlots});
  PrepareDeclaringHost(*first_host, kFirstPattern);
  first_host->CallDefaults(study);
  Declaration declaration = DeclarationIn(*first_host, kFirstPattern);
  auto second_host =
      std::make_unique<StandInHost>(StandInHostOptions{.slot_count = kOfferedInputSlots});
  PrepareDeclaringHost(*second_host, kSecondPattern);
  second_host->CallDefaults(study);
  const Declaration second = DeclarationIn(*second_host, kSecondPattern);
  if (hosts != nullptr) {
    // Kept, but no longer the hosts the services of later calls reach.
    second_host->Retire();
    first_host->Retire();
    hosts->first = std::move(first_host);
    hosts->second = std::move(second_host);
  }
  std::erase_if(declaration.settings, [&second](const WrittenSetting& setting) {
    for (const WrittenSetting& other : second.settings) {
      if (std::strcmp(other.name, setting.name) == 0 && other.value == setting.value) return false;
    }
    return true;
  });
  for (DeclaredInput& input : declaration.inputs) {
    const auto at = static_cast<std::size_t>(input.index);
    DeclaredInput unwritten;
    std::memset(unwritten.default_value, kSecondPattern, sizeof(SlotArea));
    std::memset(unwritten.lower_limit, kSecondPattern, sizeof(SlotArea));
    std::memset(unwritten.upper_limit, kSecondPattern, sizeof(SlotArea));
    KeepWhereBothAgree(input, at < second.inputs.size() ? second.inputs[at] : unwritten);
  }
  DropUndeclaredTail(declaration);
  return declaration;
}

}  // namespace judge
