#include "tools/study-host/common/number_parsing.h"

#include <charconv>
#include <limits>

#include "tools/study-host/common/number_characters.h"
#include "tools/study-host/common/text_format.h"

namespace {

struct SignedText {
  bool negative = false;
  std::string_view digits;  // what follows the sign
};

// Splits off one leading sign; "" when the text is empty or has two signs.
std::optional<SignedText> SplitSign(std::string_view text) {
  SignedText split{false, text};
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    split.negative = text[0] == '-';
    split.digits = text.substr(1);
  }
  if (split.digits.empty() || split.digits[0] == '+' || split.digits[0] == '-') return std::nullopt;
  return split;
}

// Decimal digits as a magnitude; false when they are not all digits,
// `overflow` when they are but exceed 64 bits.
bool Magnitude(std::string_view digits, std::uint64_t& magnitude, bool& overflow) {
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (result.ptr != digits.data() + digits.size()) return false;
  overflow = result.ec == std::errc::result_out_of_range;
  return result.ec == std::errc() || overflow;
}

// `problem`, with the character that made it named when one looks like
// part of a number.
std::string WithLookAlikeNamed(std::string problem, std::string_view text) {
  const std::string look_alike = LookAlikeInNumber(text);
  return look_alike.empty() ? problem : problem + " (" + look_alike + ")";
}

std::string Range(std::int64_t lowest, std::int64_t highest) {
  return "is out of range (" + std::to_string(lowest) + " to " + std::to_string(highest) + ")";
}

}  // namespace

ParsedWholeNumber ParseWholeNumber(std::string_view text, std::int64_t lowest,
                                   std::int64_t highest) {
  ParsedWholeNumber parsed;
  const std::string trimmed = Trimmed(WithPlainNumberCharacters(text));
  const auto split = SplitSign(trimmed);
  std::uint64_t magnitude = 0;
  bool overflow = false;
  if (!split || !Magnitude(split->digits, magnitude, overflow)) {
    parsed.problem = WithLookAlikeNamed("is not a whole number", trimmed);
    return parsed;
  }
  constexpr std::uint64_t kLargestMagnitude = std::uint64_t{1} << 63;
  if (overflow || magnitude > kLargestMagnitude ||
      (!split->negative && magnitude == kLargestMagnitude)) {
    parsed.problem = Range(lowest, highest);
    return parsed;
  }
  parsed.value = split->negative ? static_cast<std::int64_t>(0 - magnitude)
                                 : static_cast<std::int64_t>(magnitude);
  if (parsed.value < lowest || parsed.value > highest) parsed.problem = Range(lowest, highest);
  return parsed;
}

std::optional<std::uint64_t> ParseUnsigned64(std::string_view text, std::string& problem) {
  const std::string trimmed = Trimmed(WithPlainNumberCharacters(text));
  const auto split = SplitSign(trimmed);
  std::uint64_t magnitude = 0;
  bool overflow = false;
  if (!split || !Magnitude(split->digits, magnitude, overflow)) {
    problem = WithLookAlikeNamed("is not a whole number", trimmed);
    return std::nullopt;
  }
  if (overflow || (split->negative && magnitude != 0)) {
    problem =
        "is out of range (0 to " + std::to_string(std::numeric_limits<std::uint64_t>::max()) + ")";
    return std::nullopt;
  }
  return magnitude;
}

ParsedPosition ParsePosition(std::string_view text) {
  ParsedPosition parsed;
  const std::string trimmed = Trimmed(WithPlainNumberCharacters(text));
  const auto split = SplitSign(trimmed);
  if (!split) {
    parsed.problem = WithLookAlikeNamed("is not a number", trimmed);
    return parsed;
  }
  const char* end = split->digits.data() + split->digits.size();
  double magnitude = 0;
  const auto result = std::from_chars(split->digits.data(), end, magnitude);
  if (result.ptr != end ||
      (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
    parsed.problem = WithLookAlikeNamed("is not a number", trimmed);
  } else if (result.ec == std::errc::result_out_of_range) {
    parsed.problem = "is out of range";
  }
  parsed.value = split->negative ? -magnitude : magnitude;
  return parsed;
}
