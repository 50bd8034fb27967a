#include "tools/study-host/common/text_table.h"

#include <algorithm>

namespace {

constexpr std::size_t kGap = 2;  // blanks after a cell as wide as its column, or wider

}  // namespace

std::string ColumnLayout::Row(const std::vector<std::string>& cells) const {
  std::string line;
  for (std::size_t column = 0; column < cells.size(); ++column) {
    const std::string& cell = cells[column];
    line += cell;
    if (column + 1 == cells.size()) break;
    const std::size_t width = column < widths_.size() ? widths_[column] : 0;
    line.append(cell.size() + kGap > width ? kGap : width - cell.size(), ' ');
  }
  return line + "\n";
}

std::string TextTable::Render() const {
  std::vector<std::size_t> widths;
  for (const auto& row : rows_) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], row[column].size() + kGap);
    }
  }
  const ColumnLayout layout(std::move(widths));
  std::string out;
  for (const auto& row : rows_) out += layout.Row(row);
  return out;
}
