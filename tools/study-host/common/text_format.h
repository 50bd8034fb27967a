// Text as the tool shows it and compares it: blanks trimmed, letters
// lowered, control characters escaped so anything echoed stays on one line,
// and positions in their shortest exact form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text with blanks trimmed from both ends.
std::string Trimmed(std::string_view text);

// The text with ASCII letters in lower case.
std::string Lowercase(std::string text);

// Shortest text that reads back as the same double ("-0", "nan", "inf"),
// whole numbers below 10^16 written out in full ("100000").
std::string FormatPosition(double position);

// A count with its noun, singular or plural: "1 field", "3 fields".
std::string Counted(long long count, std::string_view one, std::string_view many);

// `text` with every control character, and every byte that is not part of
// a printable UTF-8 character, written as an escape (\n, \t, \x01, \xff),
// so that anything echoed back stays on one line and is valid text.
std::string Escaped(std::string_view text);

// The UTF-8 sequence at `at`: its code point, and its `length` in bytes
// (one byte, as it is, when no valid sequence starts there).
char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length);

// The longest start of `text` no longer than `bytes` that ends between two
// UTF-8 characters, never inside one.
std::string StartBetweenCharacters(std::string_view text, std::size_t bytes);

// `text` with what a reader cannot see or tell apart written out: control
// characters as escapes (\t), bytes that are not UTF-8 as \xff, and
// no-break, thin and zero-width spaces, look-alike dashes and other
// invisible characters as \u00a0.
std::string Visible(std::string_view text);

// A name in quotes as Visible writes it, with blanks at its ends said in
// words, as a file manager leaves them: "'session.csv ' (a blank at its
// end)".
std::string QuotedName(std::string_view name);
