// Library and file names as Windows compares them, without regard to case:
// in lower case (ASCII letters; every other byte, UTF-8 included, kept).
#pragma once

#include <cctype>
#include <string>
#include <string_view>

inline std::string Lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}
