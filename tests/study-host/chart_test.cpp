// A replay's steps in a chart's columns, and the chart drawn from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tools/study-host/chart/step_columns.h"
#include "tools/study-host/chart/svg_chart.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// However many steps come, the columns stay within their number, cover
// every step once in order, and keep each value's first, last, lowest and
// highest, so a spike of one step survives.
TEST(StepColumnsTest, CoverEveryStepAndKeepExtremes) {
  const struct {
    const char* name;
    std::size_t most_columns;
    long long steps;
    std::function<double(long long)> position;  // step -> position (quantity: its double)
  } cases[] = {
      {"fewer steps than columns", 8, 5, [](long long s) { return s % 3 - 1.0; }},
      {"exactly full", 8, 8, [](long long s) { return static_cast<double>(s); }},
      {"one past full", 8, 9, [](long long s) { return static_cast<double>(-s); }},
      {"a spike in a million", 1000, 1000000, [](long long s) { return s == 500001 ? 40.0 : 1.0; }},
      {"a dip at the very end", 4, 1001, [](long long s) { return s == 1001 ? -7.0 : 2.0; }},
      {"odd capacity made even", 5, 100, [](long long s) { return s % 2 * 1.5; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StepColumns columns(c.most_columns);
    double lowest = INFINITY;
    double highest = -INFINITY;
    for (long long step = 1; step <= c.steps; ++step) {
      const double position = c.position(step);
      lowest = std::min(lowest, position);
      highest = std::max(highest, position);
      columns.Add(position, 2 * position);
    }
    EXPECT_EQ(columns.steps(), c.steps);
    ASSERT_FALSE(columns.columns().empty());
    EXPECT_LE(columns.columns().size(), std::max<std::size_t>(2, c.most_columns));
    long long next = 1;
    double seen_lowest = INFINITY;
    double seen_highest = -INFINITY;
    for (const StepColumn& column : columns.columns()) {
      EXPECT_EQ(column.first_step, next);
      next += column.steps;
      seen_lowest = std::min(seen_lowest, column.position.lowest);
      seen_highest = std::max(seen_highest, column.position.highest);
      EXPECT_EQ(column.quantity.highest, 2 * column.position.highest);
    }
    EXPECT_EQ(next, c.steps + 1);
    EXPECT_EQ(seen_lowest, lowest);
    EXPECT_EQ(seen_highest, highest);
    EXPECT_EQ(columns.columns().front().position.first, c.position(1));
    EXPECT_EQ(columns.columns().back().position.last, c.position(c.steps));
    const std::optional<StepColumns> back = StepColumns::Decode(columns.Encode());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Encode(), columns.Encode());
  }
}

TEST(StepColumnsTest, LeavesOutValuesThatAreNotNumbers) {
  StepColumns columns(4);
  columns.Add(1, kNaN);
  columns.Add(2, INFINITY);
  columns.Add(3, 5);
  const ValueSpan& first = columns.columns()[0].quantity;
  EXPECT_FALSE(first.any);
  EXPECT_TRUE(columns.columns()[2].quantity.any);
}

TEST(StepColumnsTest, RefusesDamagedText) {
  StepColumns columns(4);
  columns.Add(1, 2);
  columns.Add(3, 4);
  const std::string good = columns.Encode();
  ASSERT_TRUE(StepColumns::Decode(good));
  for (const std::string& damaged : {
           std::string(""),
           std::string("5 1 1 1\n1 1 1 1 1 1 1 1 2 2 2 2\n"),  // odd capacity
           std::string("4 1 2 1\n1 1 1 1 1 1 1 1 2 2 2 2\n"),  // steps do not add up
           std::string("4 1 1 1\n2 1 1 1 1 1 1 1 2 2 2 2\n"),  // starts at step 2
           std::string("4 1 1 1\n1 1 1 1 1 5 1 1 2 2 2 2\n"),  // lowest above highest
           std::string("4 1 1 1\n1 1 1 1 1 1 1 1 2 2 2\n"),    // cut short
           good.substr(0, good.size() / 2),
       }) {
    EXPECT_FALSE(StepColumns::Decode(damaged)) << damaged;
  }
}

// Captions are module text: markup in them stays text; extreme values still
// give finite coordinates.
TEST(SvgChartTest, StaysWellFormedWithAnyTextOrValue) {
  const struct {
    std::vector<std::pair<double, double>> steps;
    std::string caption;
  } cases[] = {
      {{{0, 4}, {3, 1}}, "Flat <b>quantity</b> & \"more\" = 4"},
      {{{-1.7976931348623157e308, 1}, {1.7976931348623157e308, kNaN}}, "extremes"},
      {{{0, 0}, {0, 0}}, "all zero\x01"},
      {{}, "no steps"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    StepColumns columns;
    for (const auto& [position, quantity] : c.steps) columns.Add(position, quantity);
    const std::string svg = SvgChart(columns, {.title = "t & <t>", .caption = {c.caption}});
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    EXPECT_EQ(svg.find("& "), std::string::npos);
    EXPECT_EQ(svg.find('\x01'), std::string::npos);
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
    EXPECT_NE(svg.find("t &amp; &lt;t&gt;"), std::string::npos);
  }
}

}  // namespace
