// Strict parsing of the text and numbers a user gives the tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The text with blanks trimmed from both ends.
std::string Trimmed(const std::string& text);

// The text with ASCII letters in lower case.
std::string Lowercase(std::string text);

// A whole number in the int32 range, the whole text consumed; none otherwise.
std::optional<std::int32_t> ParseWholeNumber(const std::string& text);

// A position as the host reports it: a decimal number that fits a double,
// negative and fractional allowed, also nan and inf; the whole text consumed.
std::optional<double> ParsePosition(const std::string& text);

// Shortest text that reads back as the same double ("-0", "nan", "inf").
std::string FormatPosition(double position);
