// Applying a user's input settings by name, as the host's input dialog would.
#pragma once

#include <string>
#include <vector>

#include "host/stand_in_host.h"

struct InputSetting {
  std::string name;   // the input's name as the module declares it
  std::string value;  // a whole number; yes/no inputs also take yes or no
};

// Sets each named input (after the defaults call declared them). Throws
// ToolError (usage) for an unknown name, listing the valid ones, or a value
// that is not a whole number (yes/no inputs also take yes/no).
void ApplyInputSettings(StandInHost& host, const std::vector<InputSetting>& settings);
