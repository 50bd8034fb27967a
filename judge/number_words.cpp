#include "judge/number_words.h"

#include <charconv>
#include <cmath>

namespace judge {

std::string NumberWords(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // Whole numbers as whole numbers (100000, not 1e+05) while they are short.
  constexpr double kLongestPlain = 1e16;
  const bool plain = value == std::trunc(value) && std::fabs(value) < kLongestPlain;
  char buffer[400];
  const auto result =
      plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace judge
