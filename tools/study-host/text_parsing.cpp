#include "text_parsing.h"

#include <algorithm>
#include <cctype>

#include <charconv>
#include <cmath>

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<std::int32_t> ParseWholeNumber(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  std::int32_t value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<double> ParsePosition(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  const char* begin = trimmed.data();
  const char* end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::string FormatPosition(double position) {
  if (std::isnan(position)) return "nan";
  if (std::isinf(position)) return position < 0 ? "-inf" : "inf";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, position);
  return std::string(buffer, result.ptr);
}
