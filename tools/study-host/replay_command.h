// study-host replay: what a module writes as the position changes.
#pragma once

#include <string>

#include "channel.h"
#include "command_line.h"

struct ReplayStep {
  long long step = 0;
  double position = 0;
  bool written = false;  // false: the call left the order quantity unchanged
  double quantity = 0;   // the trade window's quantity after the call
};

// The table's header line, and one step as a table line or a JSON line.
std::string ReplayHeader();
std::string FormatStep(const ReplayStep& step, bool json);

// In a child: loads the module, makes the defaults call, applies the
// settings, then one ordinary call per position, sending each step's line on
// `channel` as it is made. Throws ToolError on the first fault; the steps
// already sent stay.
void ReplayInChild(const CommandLine& line, const ChannelWriter& channel);
