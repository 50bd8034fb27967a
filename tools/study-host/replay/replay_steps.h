// One replay step as the tool prints it: a table line or a JSON line.
#pragma once

#include <string>

struct ReplayStep {
  long long step = 0;
  double position = 0;
  bool written = false;  // false: the call left the order quantity unchanged
  double quantity = 0;   // the trade window's quantity after the call
};

// The table's header line, and one step as a table line or a JSON line.
std::string ReplayHeader();
std::string FormatStep(const ReplayStep& step, bool json);
