// Applying a user's input settings by name, as the host's input dialog would.
#pragma once

#include <vector>

#include "command_line.h"
#include "host/stand_in_host.h"

// Sets each named input (after the defaults call declared them). Throws
// ToolError (usage) for an unknown name, listing the valid ones, or a value
// that is not a whole number (yes/no inputs also take yes/no).
void ApplyInputSettings(StandInHost& host, const std::vector<InputSetting>& settings);
