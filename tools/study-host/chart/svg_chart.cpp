#include "tools/study-host/chart/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/xml_text.h"

namespace {

// The drawing's geometry, in px.
constexpr double kLeft = 80;  // room for the value labels
constexpr double kRight = 30;
constexpr double kPlotWidth = static_cast<double>(kChartColumns);
constexpr double kPlotHeight = 360;
constexpr double kTitleBaseline = 28;
constexpr double kLineHeight = 18;
constexpr double kBelowPlot = 56;  // step labels and the axis's name
constexpr double kWidth = kLeft + kPlotWidth + kRight;

constexpr char kPositionColour[] = "#3182bd";
constexpr char kQuantityColour[] = "#e6550d";
constexpr char kMissingColour[] = "#e4e4e4";  // behind steps whose position is not a number

std::string Number(double value, const char* format = "%.1f") {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A value on the axis as the replay's table writes numbers (1000000, not
// 1e+06), after the ticks' sums are rounded to 12 digits (0.3, not
// 0.30000000000000004).
std::string ValueLabel(double value) {
  return FormatPosition(std::strtod(Number(value, "%.12g").c_str(), nullptr));
}

// 1, 2 or 5 times a power of ten, at least `rough`; 0 when there is none.
double NiceStep(double rough) {
  if (!(rough > 0) || !std::isfinite(rough)) return 0;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  if (!(power > 0) || !std::isfinite(power)) return 0;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10 * power;
}

// The values' scale: from `lowest` at the plot's bottom to `highest` at its
// top, both ends on ticks where ticks can be placed. Halves are used so
// that the span of two extreme doubles does not overflow.
struct ValueScale {
  double lowest = 0;
  double highest = 1;
  double tick = 0;  // 0: only both ends are labelled
  double top = 0;   // the plot's top edge

  double Y(double value) const {
    const double share = (highest * 0.5 - value * 0.5) / (highest * 0.5 - lowest * 0.5);
    return top + share * kPlotHeight;
  }
};

ValueScale ScaleFor(const StepColumns& columns, double top) {
  ValueScale scale{.lowest = 0, .highest = 0, .top = top};  // zero always shows
  for (const StepColumn& column : columns.columns()) {
    for (const ValueSpan* span : {&column.position, &column.quantity}) {
      if (!span->any) continue;
      scale.lowest = std::min(scale.lowest, span->lowest);
      scale.highest = std::max(scale.highest, span->highest);
    }
  }
  if (scale.lowest == scale.highest) scale.highest = scale.lowest + 1;
  scale.tick = NiceStep((scale.highest * 0.5 - scale.lowest * 0.5) * 0.4);
  if (scale.tick > 0) {
    const double lowest = std::floor(scale.lowest / scale.tick) * scale.tick;
    const double highest = std::ceil(scale.highest / scale.tick) * scale.tick;
    if (std::isfinite(lowest) && std::isfinite(highest)) {
      scale.lowest = lowest;
      scale.highest = highest;
    } else {
      scale.tick = 0;
    }
  }
  return scale;
}

// The steps' scale: step s spans [X(s), X(s + 1)).
struct StepScale {
  long long steps = 1;
  double X(long long step) const {
    return kLeft + static_cast<double>(step - 1) / static_cast<double>(steps) * kPlotWidth;
  }
};

// The step line of one value: across each column at its first value, down
// and up its range, and on at its last; broken where a column has none.
std::string StepLine(const StepColumns& columns, const StepScale& steps, const ValueScale& scale,
                     ValueSpan StepColumn::*value) {
  std::string path;
  const auto add = [&path](char command, double coordinate) {
    path += command;
    path += Number(coordinate);
  };
  bool drawing = false;
  for (const StepColumn& column : columns.columns()) {
    const ValueSpan& span = column.*value;
    if (!span.any) {
      drawing = false;
      continue;
    }
    if (!drawing) {
      add('M', steps.X(column.first_step));
      path += ' ';
      path += Number(scale.Y(span.first));
    } else {
      add('V', scale.Y(span.first));
    }
    if (span.lowest < span.highest) {
      add('V', scale.Y(span.lowest));
      add('V', scale.Y(span.highest));
    }
    if (span.last != span.first || span.lowest < span.highest) add('V', scale.Y(span.last));
    add('H', steps.X(column.first_step + column.steps));
    drawing = true;
  }
  return path;
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
         "\" y2=\"" + Number(y2) + "\" " + style + "/>\n";
}

std::string Text(double x, double y, const std::string& anchor, const std::string& text) {
  return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\">" +
         XmlText(text) + "</text>\n";
}

std::string ValueAxis(const ValueScale& scale) {
  std::string out;
  std::vector<double> ticks{scale.lowest, scale.highest};
  if (scale.tick > 0) {
    ticks.clear();
    constexpr int kMostTicks = 20;
    for (int index = 0; index <= kMostTicks; ++index) {
      const double value = scale.lowest + index * scale.tick;
      if (value > scale.highest + scale.tick * 0.5) break;
      ticks.push_back(value);
    }
  }
  for (const double value : ticks) {
    const double y = scale.Y(value);
    const bool zero = std::fabs(value) < scale.tick * 1e-9 || value == 0;
    out += Line(kLeft, y, kLeft + kPlotWidth, y,
                zero ? "stroke=\"#888\"" : "stroke=\"#ddd\" stroke-dasharray=\"2 3\"");
    out += Text(kLeft - 8, y + 4, "end", ValueLabel(zero ? 0 : value));
  }
  return out;
}

std::string StepAxis(const StepScale& steps, double bottom) {
  std::string out = Line(kLeft, bottom, kLeft + kPlotWidth, bottom, "stroke=\"#888\"");
  constexpr double kMostLabels = 10;
  const double rough = std::max(1.0, static_cast<double>(steps.steps) / kMostLabels);
  const auto every = static_cast<long long>(std::max(1.0, NiceStep(rough)));
  for (long long step = 1; step <= steps.steps;
       step = step == 1 && every > 1 ? every : step + every) {
    const double x = (steps.X(step) + steps.X(step + 1)) / 2;
    out += Line(x, bottom, x, bottom + 5, "stroke=\"#888\"");
    out += Text(x, bottom + 20, "middle", std::to_string(step));
  }
  out += Text(kLeft + kPlotWidth / 2, bottom + 42, "middle", "step");
  return out;
}

// Grey bands behind the runs of columns where a position was not a number,
// so a gap in the position's line reads as what it is.
std::string MissingBands(const StepColumns& columns, const StepScale& steps, double top) {
  std::string out;
  const std::vector<StepColumn>& all = columns.columns();
  for (std::size_t at = 0; at < all.size();) {
    if (all[at].missing_positions == 0) {
      ++at;
      continue;
    }
    const long long first = all[at].first_step;
    while (at < all.size() && all[at].missing_positions > 0) ++at;
    const long long end = all[at - 1].first_step + all[at - 1].steps;
    out += "<rect x=\"" + Number(steps.X(first)) + "\" y=\"" + Number(top) + "\" width=\"" +
           Number(std::max(1.0, steps.X(end) - steps.X(first))) + "\" height=\"" +
           Number(kPlotHeight) + "\" fill=\"" + kMissingColour + "\"/>\n";
  }
  return out;
}

// The caption's line on positions that are not numbers, or "" when all are.
std::string MissingLine(const StepColumns& columns) {
  const long long missing = columns.missing_positions();
  if (missing == 0) return "";
  const std::vector<long long>& named = columns.first_missing_steps();
  std::string steps;
  for (std::size_t index = 0; index < named.size(); ++index) {
    const bool last = index + 1 == named.size() && missing == static_cast<long long>(named.size());
    steps += (index == 0 ? "" : last ? " and " : ", ") + std::to_string(named[index]);
  }
  if (missing > static_cast<long long>(named.size())) {
    steps += " and " + std::to_string(missing - static_cast<long long>(named.size())) + " more";
  }
  return "the position is not a number (nan or inf) at " + Counted(missing, "step", "steps") +
         " (" + (missing == 1 ? "step " : "steps ") + steps +
         "): shaded grey, where the position's line has a gap";
}

std::string Legend(double y) {
  std::string out;
  double x = kLeft;
  for (const auto& [colour, name] :
       {std::pair{kPositionColour, "position"}, std::pair{kQuantityColour, "order quantity"}}) {
    out +=
        Line(x, y - 4, x + 24, y - 4, "stroke=\"" + std::string(colour) + "\" stroke-width=\"3\"");
    out += Text(x + 30, y, "start", name);
    x += 180;
  }
  return out;
}

std::string ColumnsLine(const StepColumns& columns) {
  const long long steps = columns.steps();
  const std::size_t count = columns.columns().size();
  if (count == 0) return "no steps";
  const long long most = columns.columns().front().steps;
  std::string line = std::to_string(steps) + (steps == 1 ? " step" : " steps");
  if (most > 1) {
    line += "; each column of the drawing shows the lowest and highest of up to " +
            std::to_string(most) + " steps, so no spike is lost";
  }
  return line;
}

}  // namespace

std::string SvgChart(const StepColumns& columns, const ChartText& text) {
  std::vector<std::string> caption = text.caption;
  caption.push_back(ColumnsLine(columns));
  if (const std::string missing = MissingLine(columns); !missing.empty())
    caption.push_back(missing);
  const double legend_baseline = kTitleBaseline + kLineHeight * (caption.size() + 1) + 6;
  const double plot_top = legend_baseline + 16;
  const double plot_bottom = plot_top + kPlotHeight;
  const double height = plot_bottom + kBelowPlot;
  const ValueScale scale = ScaleFor(columns, plot_top);
  const StepScale steps{.steps = std::max(1LL, columns.steps())};

  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      Number(kWidth, "%.0f") + "\" height=\"" + Number(height, "%.0f") + "\" viewBox=\"0 0 " +
      Number(kWidth, "%.0f") + " " + Number(height, "%.0f") +
      "\" font-family=\"sans-serif\" font-size=\"13\">\n";
  svg += "<title>" + XmlText(text.title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + Number(kLeft) + "\" y=\"" + Number(kTitleBaseline) +
         "\" font-size=\"16\" font-weight=\"bold\">" + XmlText(text.title) + "</text>\n";
  for (std::size_t line = 0; line < caption.size(); ++line) {
    svg += Text(kLeft, kTitleBaseline + kLineHeight * (line + 1) + 4, "start", caption[line]);
  }
  svg += Legend(legend_baseline);
  svg += MissingBands(columns, steps, plot_top);
  svg += ValueAxis(scale);
  svg += StepAxis(steps, plot_bottom);
  svg += "<path fill=\"none\" stroke=\"" + std::string(kPositionColour) +
         "\" stroke-width=\"3\" stroke-opacity=\"0.6\" d=\"" +
         StepLine(columns, steps, scale, &StepColumn::position) + "\"/>\n";
  svg += "<path fill=\"none\" stroke=\"" + std::string(kQuantityColour) +
         "\" stroke-width=\"1.5\" d=\"" + StepLine(columns, steps, scale, &StepColumn::quantity) +
         "\"/>\n";
  svg += "</svg>\n";
  return svg;
}
