// The inputs a module declared on its defaults call, as the host sees them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/stand_in_host.h"

// Slots the tool's host offers: more than a module is expected to declare,
// so extra declarations show instead of piling into the last slot.
inline constexpr std::int32_t kOfferedInputSlots = 16;

struct DeclaredInput {
  std::int32_t slot = 0;
  std::string name;
  std::uint8_t type_code = 0;
  std::int32_t default_value = 0;
  std::int32_t lower_limit = 0;
  std::int32_t upper_limit = 0;
  std::string description;  // from the set-description service; empty when none
};

// The declared inputs: every array slot given a name or a type code.
std::vector<DeclaredInput> ReadDeclaredInputs(StandInHost& host);

// "yes/no", "whole number", "type code 2".
std::string TypeName(std::uint8_t type_code);

// A value as the user reads it: yes/no for yes/no inputs, else the number.
std::string ValueText(std::uint8_t type_code, std::int32_t value);
