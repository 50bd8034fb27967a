// How a session file writes its numbers, as spreadsheets, word processors
// and web pages write them: the decimal mark (a comma where the columns
// are separated by semicolons or tabs), thousands grouped with dots,
// commas or blanks, no-break and thin spaces, the typographic minus and
// full-width digits (see WithPlainNumberCharacters).
// A number is read as the file means it, or refused saying why: never read
// as another number.
#pragma once

#include <string>
#include <string_view>

class SessionNumbers {
 public:
  // `separator`: the file's column separator.
  explicit SessionNumbers(char separator) : separator_(separator) {}

  struct Number {
    std::string text;     // the number as the tool's one number rule reads it ("-1234.5")
    std::string problem;  // "" or why the field cannot be read as one number
  };

  // The field's number. Once a field shows which mark is the decimal one
  // (a comma or a point that cannot be grouping), later fields are read
  // with it.
  Number Read(std::string_view field);

 private:
  enum class Mark { kUnknown, kPoint, kComma };
  Mark mark_ = Mark::kUnknown;
  char separator_;
};
