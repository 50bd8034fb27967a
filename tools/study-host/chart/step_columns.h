// A replay's steps gathered for a chart of fixed width, however many there
// are: each column covers a run of consecutive steps and keeps, for the
// position and for the order quantity, the first, last, lowest and highest
// value among them, so a spike of one step in a million still shows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One value's course over a column's steps; non-finite values are left out.
struct ValueSpan {
  bool any = false;  // false: no finite value among the steps
  double first = 0;
  double last = 0;
  double lowest = 0;
  double highest = 0;

  void Add(double value);
  void Join(const ValueSpan& later);
};

struct StepColumn {
  long long first_step = 1;  // steps count from 1
  long long steps = 0;
  long long missing_positions = 0;  // steps whose position is not a finite number
  ValueSpan position;
  ValueSpan quantity;
};

// The columns a chart is drawn with: one px each.
inline constexpr std::size_t kChartColumns = 1000;

class StepColumns {
 public:
  // `most_columns`: even, at least 2.
  explicit StepColumns(std::size_t most_columns = kChartColumns);

  // One step; a quantity that is not a number (none known yet) draws none.
  void Add(double position, double quantity);

  long long steps() const { return steps_; }
  // The steps whose position is not a finite number: how many, and the
  // first few.
  long long missing_positions() const { return missing_positions_; }
  const std::vector<long long>& first_missing_steps() const { return first_missing_steps_; }
  static constexpr std::size_t kMissingStepsNamed = 3;
  const std::vector<StepColumn>& columns() const { return columns_; }

  // As text, for one process to hand another, and back; none when the text
  // is not such a list.
  std::string Encode() const;
  static std::optional<StepColumns> Decode(const std::string& text);

 private:
  // When full: each two neighbouring columns become one.
  void JoinNeighbours();

  std::size_t most_columns_;
  long long steps_per_column_ = 1;
  long long steps_ = 0;
  long long missing_positions_ = 0;
  std::vector<long long> first_missing_steps_;
  std::vector<StepColumn> columns_;
};
