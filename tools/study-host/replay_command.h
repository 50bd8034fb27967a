// study-host replay: what a module writes as the position changes.
#pragma once

#include <string>
#include <vector>

#include "command_line.h"

struct ReplayStep {
  int step = 0;
  double position = 0;
  bool written = false;  // false: the call left the order quantity unchanged
  double quantity = 0;   // the quantity written, when written
};

// Loads the module, makes the defaults call, applies `settings`, then one
// ordinary call per position. Throws ToolError before anything is printed.
std::vector<ReplayStep> RunReplay(const std::string& path,
                                  const std::vector<InputSetting>& settings,
                                  const std::vector<double>& positions, bool host_call_flag);

// The steps as a table, or as JSON lines.
std::string FormatReplayTable(const std::vector<ReplayStep>& steps);
std::string FormatReplayJson(const std::vector<ReplayStep>& steps);
