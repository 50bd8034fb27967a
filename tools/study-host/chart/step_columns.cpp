#include "tools/study-host/chart/step_columns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

void ValueSpan::Add(double value) {
  if (!std::isfinite(value)) return;
  if (!any) {
    *this = {true, value, value, value, value};
    return;
  }
  last = value;
  lowest = std::min(lowest, value);
  highest = std::max(highest, value);
}

void ValueSpan::Join(const ValueSpan& later) {
  if (!later.any) return;
  if (!any) {
    *this = later;
    return;
  }
  last = later.last;
  lowest = std::min(lowest, later.lowest);
  highest = std::max(highest, later.highest);
}

StepColumns::StepColumns(std::size_t most_columns)
    : most_columns_(std::max<std::size_t>(2, most_columns & ~std::size_t{1})) {
  columns_.reserve(most_columns_);
}

void StepColumns::Add(double position, double quantity) {
  if (columns_.empty() || columns_.back().steps == steps_per_column_) {
    if (columns_.size() == most_columns_) JoinNeighbours();
  }
  if (columns_.empty() || columns_.back().steps == steps_per_column_) {
    StepColumn next;
    next.first_step = steps_ + 1;
    columns_.push_back(next);
  }
  StepColumn& column = columns_.back();
  ++column.steps;
  column.position.Add(position);
  column.quantity.Add(quantity);
  ++steps_;
  if (!std::isfinite(position)) {
    ++column.missing_positions;
    ++missing_positions_;
    if (first_missing_steps_.size() < kMissingStepsNamed) first_missing_steps_.push_back(steps_);
  }
}

void StepColumns::JoinNeighbours() {
  std::size_t kept = 0;
  for (std::size_t at = 0; at < columns_.size(); at += 2) {
    StepColumn joined = columns_[at];
    if (at + 1 < columns_.size()) {
      const StepColumn& later = columns_[at + 1];
      joined.steps += later.steps;
      joined.missing_positions += later.missing_positions;
      joined.position.Join(later.position);
      joined.quantity.Join(later.quantity);
    }
    columns_[kept++] = joined;
  }
  columns_.resize(kept);
  steps_per_column_ *= 2;
}

namespace {

void EncodeSpan(std::ostringstream& out, const ValueSpan& span) {
  char text[128];
  std::snprintf(text, sizeof text, " %d %.17g %.17g %.17g %.17g", span.any ? 1 : 0, span.first,
                span.last, span.lowest, span.highest);
  out << text;
}

bool DecodeSpan(std::istringstream& in, ValueSpan& span) {
  int any = 0;
  if (!(in >> any >> span.first >> span.last >> span.lowest >> span.highest)) return false;
  span.any = any == 1;
  const bool ordered = span.lowest <= span.highest && span.first >= span.lowest &&
                       span.first <= span.highest && span.last >= span.lowest &&
                       span.last <= span.highest;
  return any == 0 || (any == 1 && ordered);
}

}  // namespace

std::string StepColumns::Encode() const {
  std::ostringstream out;
  out << most_columns_ << ' ' << steps_per_column_ << ' ' << steps_ << ' ' << columns_.size() << ' '
      << missing_positions_ << ' ' << first_missing_steps_.size();
  for (const long long step : first_missing_steps_) out << ' ' << step;
  out << '\n';
  for (const StepColumn& column : columns_) {
    out << column.first_step << ' ' << column.steps << ' ' << column.missing_positions;
    EncodeSpan(out, column.position);
    EncodeSpan(out, column.quantity);
    out << '\n';
  }
  return out.str();
}

std::optional<StepColumns> StepColumns::Decode(const std::string& text) {
  std::istringstream in(text);
  constexpr std::size_t kMostColumnsDecoded = 1 << 20;
  std::size_t most_columns = 0;
  if (!(in >> most_columns) || most_columns < 2 || most_columns % 2 != 0 ||
      most_columns > kMostColumnsDecoded) {
    return std::nullopt;
  }
  StepColumns decoded(most_columns);
  std::size_t count = 0;
  std::size_t named = 0;
  if (!(in >> decoded.steps_per_column_ >> decoded.steps_ >> count >> decoded.missing_positions_ >>
        named) ||
      count > most_columns || decoded.steps_per_column_ < 1 || decoded.steps_ < 0 ||
      named > kMissingStepsNamed || decoded.missing_positions_ < 0 ||
      decoded.missing_positions_ > decoded.steps_) {
    return std::nullopt;
  }
  for (std::size_t index = 0; index < named; ++index) {
    long long step = 0;
    if (!(in >> step) || step < 1 || step > decoded.steps_) return std::nullopt;
    decoded.first_missing_steps_.push_back(step);
  }
  long long next_step = 1;
  long long missing = 0;
  for (std::size_t index = 0; index < count; ++index) {
    StepColumn column;
    if (!(in >> column.first_step >> column.steps >> column.missing_positions) ||
        !DecodeSpan(in, column.position) || !DecodeSpan(in, column.quantity)) {
      return std::nullopt;
    }
    if (column.first_step != next_step || column.steps < 1 ||
        column.steps > decoded.steps_per_column_ || column.missing_positions < 0 ||
        column.missing_positions > column.steps) {
      return std::nullopt;
    }
    next_step += column.steps;
    missing += column.missing_positions;
    decoded.columns_.push_back(column);
  }
  if (next_step - 1 != decoded.steps_ || missing != decoded.missing_positions_) {
    return std::nullopt;
  }
  return decoded;
}
