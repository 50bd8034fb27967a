#include "tools/study-host/common/text_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string FormatPosition(double position) {
  if (std::isnan(position)) return "nan";
  if (std::isinf(position)) return position < 0 ? "-inf" : "inf";
  // Whole numbers as whole numbers (100000, not 1e+05) while they are short.
  constexpr double kLongestPlain = 1e16;
  const bool plain = position == std::trunc(position) && std::fabs(position) < kLongestPlain;
  char buffer[400];
  const auto result =
      plain ? std::to_chars(buffer, buffer + sizeof buffer, position, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, position);
  return std::string(buffer, result.ptr);
}

std::string Counted(long long count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}
