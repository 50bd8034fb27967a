#include "tools/study-host/replay/session_numbers.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "tools/study-host/common/number_characters.h"
#include "tools/study-host/common/text_format.h"

namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

// Whether `digits` is grouped in thousands by `group` ("1.234.567"), and
// so gives the plain digits.
bool Grouped(std::string_view digits, char group, std::string& plain) {
  plain.clear();
  std::size_t start = 0;
  for (bool first = true;; first = false) {
    const std::size_t end = digits.find(group, start);
    const std::string_view part =
        digits.substr(start, end == std::string_view::npos ? end : end - start);
    const bool fits =
        AllDigits(part) && (first ? part.size() <= 3 && part[0] != '0' : part.size() == 3);
    if (!fits) return false;
    plain += part;
    if (end == std::string_view::npos) return !first;
    start = end + 1;
  }
}

}  // namespace

SessionNumbers::Number SessionNumbers::Read(std::string_view field) {
  const std::string text = Trimmed(WithPlainNumberCharacters(field));
  // A sign, then digits with their marks; anything else (nan, inf, an
  // exponent, words) goes to the number rule as it is.
  const std::size_t sign = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  const std::string sign_text = text.substr(0, sign);
  std::string body = text.substr(sign);
  if (body.empty() || body.find_first_not_of("0123456789., ") != std::string::npos) {
    return {text, ""};
  }
  // Blanks between groups of three digits group thousands ("1 234,5").
  if (body.find(' ') != std::string::npos) {
    const std::size_t decimal = std::min(body.find_first_of(".,"), body.size());
    std::string digits;
    if (!Grouped(body.substr(0, decimal), ' ', digits)) return {text, "has blanks inside it"};
    body = digits + body.substr(decimal);
  }
  const bool comma_may_be_decimal = separator_ != ',';  // else it would part columns
  const std::size_t points = std::count(body.begin(), body.end(), '.');
  const std::size_t commas = std::count(body.begin(), body.end(), ',');
  std::string digits;
  if (points > 0 && commas > 0) {
    // Both marks: the last is the decimal one, the other groups thousands.
    const std::size_t decimal = body.find_last_of(".,");
    const char decimal_mark = body[decimal];
    const char group = decimal_mark == '.' ? ',' : '.';
    if ((decimal_mark == ',' && !comma_may_be_decimal) || body.find(decimal_mark) != decimal ||
        !Grouped(body.substr(0, decimal), group, digits)) {
      return {text, "mixes commas and points in a way no number is written"};
    }
    mark_ = decimal_mark == ',' ? Mark::kComma : Mark::kPoint;
    return {sign_text + digits + "." + body.substr(decimal + 1), ""};
  }
  if (points + commas == 0) return {sign_text + body, ""};
  const char mark = points > 0 ? '.' : ',';
  const Mark as_decimal = mark == '.' ? Mark::kPoint : Mark::kComma;
  const Mark other = mark == '.' ? Mark::kComma : Mark::kPoint;
  const bool groups = Grouped(body, mark, digits);
  const bool may_be_decimal = points + commas == 1 && (mark == '.' || comma_may_be_decimal);
  std::string decimal = body;
  std::replace(decimal.begin(), decimal.end(), ',', '.');
  const std::string whole = sign_text + digits;
  decimal = sign_text + decimal;
  if (!may_be_decimal) {
    // "1.234.567" groups thousands, so its mark is not the decimal one.
    if (groups && (points + commas > 1 || mark_ == other)) {
      mark_ = other;
      return {whole, ""};
    }
    if (groups) {  // "1,234" in a file parted by commas, which holds no decimal comma
      return {text, "could be " + whole + " or " + decimal + ": write " + whole +
                        " for the whole number, or " + decimal +
                        " with a point for the decimal (a comma parts this file's columns)"};
    }
    if (points + commas > 1) {
      return {text, std::string("has more than one ") + (mark == '.' ? "point" : "comma")};
    }
    return {text,
            "has a decimal comma, but this file's columns are parted by commas: write " + decimal};
  }
  if (!groups) {  // "2,5", "0.25": the file shows its decimal mark
    mark_ = as_decimal;
    return {decimal, ""};
  }
  // "1.234" or "1,234": a decimal mark, or thousands grouped? Read as the
  // file has shown, never guessed.
  if (mark_ == other) return {whole, ""};
  if (mark_ == as_decimal) return {decimal, ""};
  return {text, "could be " + decimal + " or " + whole + ": nothing before it in the file shows " +
                    "whether a " + (mark == '.' ? "point" : "comma") +
                    " marks decimals or groups thousands; write " + whole +
                    " for the whole number, or " + sign_text + body + "0 for the decimal"};
}
