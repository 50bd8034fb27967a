// What a study declares on the host's defaults call: its display name, its
// description, the host settings it writes, and its inputs with their names,
// type codes, defaults, limits and descriptions. Read from the calls
// themselves, so every tool, check and test sees a study as the host does.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/stand_in_host.h"

namespace judge {

using StudyFunction = void (*)(StudyInterface*);

// Input slots the host offers a declaring study: more than a study is
// expected to declare, so extra declarations show instead of piling into
// the last slot.
inline constexpr std::int32_t kOfferedInputSlots = 64;

struct DeclaredInput {
  std::int32_t index = 0;  // the input's index, which is its slot
  std::string name;
  bool named = false;  // the defaults call wrote its name
  std::uint8_t type_code = 0;
  bool typed = false;           // the defaults call wrote its type code
  SlotArea default_value = {};  // as the defaults call left the value area
  bool has_default = false;     // the defaults call wrote the value area
  SlotArea lower_limit = {};
  SlotArea upper_limit = {};
  bool has_limits = false;                 // the defaults call wrote either limit area
  std::optional<std::string> description;  // given to the set-description service
};

// A host setting the defaults call wrote.
struct WrittenSetting {
  const char* name;  // "host setting 16"
  std::int32_t value;
};

struct Declaration {
  std::string display_name;
  bool display_name_written = false;
  std::string description;  // HTML
  bool description_written = false;
  std::vector<WrittenSetting> settings;
  // Every input up to the highest slot written, in index order; a slot in
  // between that was not written is an input without a declaration.
  std::vector<DeclaredInput> inputs;
  // The declaration reached the last slot offered: it may hold more inputs.
  bool fills_every_offered_slot = false;

  std::int32_t input_count() const { return static_cast<std::int32_t>(inputs.size()); }
  // Whether slot `index` was written at all.
  static bool Declared(const DeclaredInput& input) {
    return input.named || input.typed || input.has_default || input.has_limits ||
           input.description.has_value();
  }
};

// The hosts of the defaults calls a declaration was read in. A host keeps
// the records of past calls: whoever reads a declaration may keep these
// alive, so that a study that writes into an earlier call's record shows.
struct DeclaringHosts {
  std::unique_ptr<StandInHost> first;
  std::unique_ptr<StandInHost> second;
};

// Makes `study`'s defaults call twice, in two hosts offering
// kOfferedInputSlots slots filled with different patterns (so a byte the
// call wrote is told from one it left, whatever its value), and reads the
// declaration. The hosts go to `hosts` when given. Throws nothing of its
// own; a crash or an exception of the study's goes through.
Declaration ReadDeclaration(StudyFunction study, DeclaringHosts* hosts = nullptr);

// The declaration `study` made in `host` on the defaults call just made,
// as far as one call shows it (a byte equal to `pattern` counts as left).
Declaration DeclarationIn(const StandInHost& host, std::uint8_t pattern);

}  // namespace judge
