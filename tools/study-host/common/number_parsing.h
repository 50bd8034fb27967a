// Strict parsing of the numbers a user gives the tool, with one rule for
// every number: blanks around it are ignored, one sign (+ or -) may lead, and
// what follows is the number itself. Characters whose meaning is certain
// (the typographic minus, full-width digits) read as their ASCII ones, and
// a character that only looks like part of a number is named in the
// problem (see number_characters.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What is wrong with a number, as a message to append to the text quoted:
// "" for nothing, "is not a whole number", "is out of range (1 to 100)".
struct ParsedWholeNumber {
  std::int64_t value = 0;
  std::string problem;
};

// A whole number (decimal digits) within [lowest, highest].
ParsedWholeNumber ParseWholeNumber(std::string_view text, std::int64_t lowest,
                                   std::int64_t highest);
// The same for the full unsigned 64-bit range (random seeds).
std::optional<std::uint64_t> ParseUnsigned64(std::string_view text, std::string& problem);

struct ParsedPosition {
  double value = 0;
  std::string problem;  // "", "is not a number" or "is out of range"
};

// A position as the host reports it: decimal, negative and fractional
// allowed, with an exponent, also nan and inf.
ParsedPosition ParsePosition(std::string_view text);
