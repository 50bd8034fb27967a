// A plain-text table with columns padded to their widest cell.
#pragma once

#include <string>
#include <vector>

class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
  void AddRow(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // The table, one line per row; the last column is not padded.
  std::string Render() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};
