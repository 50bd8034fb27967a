// A replay drawn as an SVG image any browser opens: the steps along the
// bottom, the position and the order quantity as step lines on one scale,
// a title and caption lines (the settings) above.
#pragma once

#include <string>
#include <vector>

#include "tools/study-host/chart/step_columns.h"

struct ChartText {
  std::string title;                 // what was replayed
  std::vector<std::string> caption;  // one line each: the settings
};

// The whole SVG document. Its size depends on the columns' count, never on
// the steps'.
std::string SvgChart(const StepColumns& columns, const ChartText& text);
