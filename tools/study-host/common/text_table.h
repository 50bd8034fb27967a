// Text in columns: each cell padded to its column's width, or followed by
// two blanks when it is wider; the last cell is never padded. Rows can be
// written as they come (fixed widths) or as a table (widths from the cells).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Columns of fixed widths, for rows printed one at a time.
class ColumnLayout {
 public:
  explicit ColumnLayout(std::vector<std::size_t> widths) : widths_(std::move(widths)) {}
  // One line, ending in a line break.
  std::string Row(const std::vector<std::string>& cells) const;

 private:
  std::vector<std::size_t> widths_;
};

// A table whose columns are as wide as their widest cell, two blanks apart.
class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
  void AddRow(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // The table, one line per row.
  std::string Render() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};
