// Applying a user's input settings by name, as the host's input dialog would,
// to the inputs the study declared, each in its own type.
#pragma once

#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/declaration.h"

struct InputSetting {
  std::string name;   // the input's name as the module declares it (or its number)
  std::string value;  // as its type takes it: yes/no, a whole number, a decimal, a time of day
};

// Sets each named input of `declaration` in `host` (after its defaults
// call). Throws ToolError (usage) for an unknown name, listing the valid
// ones, a value its type does not take, or one outside its limits.
void ApplyInputSettings(StandInHost& host, const judge::Declaration& declaration,
                        const std::vector<InputSetting>& settings);

// What an input of type `type_code` takes, for messages: "yes, no or a whole
// number", "a number such as 2.5", "a time of day such as 18:30".
std::string WhatItTakes(std::uint8_t type_code);
