// One replay step as the tool prints it: a table line or a JSON line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ReplayStep {
  long long step = 0;
  double position = 0;
  bool written = false;  // false: the call left the order quantity unchanged
  double quantity = 0;   // the trade window's quantity after the call
};

// What a session expects of a step, and whether the step met it.
struct StepExpectation {
  std::string expected;  // "3", "unchanged"; "" when the session expects nothing
  bool met = true;
};

// Holds `step` to what the session expects of it (see SessionReader).
StepExpectation JudgeStep(const ReplayStep& step, bool expects_unchanged, double expected_quantity);

// One step as a JSON line.
std::string JsonStep(const ReplayStep& step, const StepExpectation& expectation = {});

// The steps as a table printed a line at a time: step, position, order
// quantity. A step or position wider than its column widens it for good,
// and the header is written again, at the new widths, above the line that
// widened it, so each run of lines under a header lines up.
class StepTable {
 public:
  // Widens the columns to hold `position` at step `step` from the start:
  // for positions known before the header is written.
  void Fit(long long step, double position);

  std::string Header() const;

  // The step's line, after the header again when a column had to widen.
  std::string Line(const ReplayStep& step, const StepExpectation& expectation = {});

 private:
  bool Widen(const std::vector<std::string>& cells);

  std::vector<std::size_t> widths_{6, 10};  // the last column is never padded
};
