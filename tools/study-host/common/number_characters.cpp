#include "tools/study-host/common/number_characters.h"

#include <cstdio>

#include "tools/study-host/common/text_format.h"

namespace {

// A character read as ASCII in a number.
struct PlainCharacter {
  char32_t code;
  char plain;
};
constexpr PlainCharacter kPlainCharacters[] = {
    {0x00A0, ' '}, {0x2007, ' '}, {0x2009, ' '}, {0x202F, ' '}, {0x3000, ' '},  // spaces
    {0x2212, '-'}, {0xFE63, '-'}, {0xFF0D, '-'},                                // minus signs
    {0xFF0B, '+'}, {0xFF0E, '.'}, {0xFF0C, ','},                                // full-width
};
constexpr char32_t kFullWidthZero = 0xFF10;

char PlainOf(char32_t code) {
  if (code >= kFullWidthZero && code < kFullWidthZero + 10) {
    return static_cast<char>('0' + (code - kFullWidthZero));
  }
  for (const PlainCharacter& character : kPlainCharacters) {
    if (character.code == code) return character.plain;
  }
  return 0;
}

// Characters taken for part of a number that are none: what each is, and
// what to type.
struct LookAlike {
  char32_t code;
  const char* what;
};
constexpr LookAlike kLookAlikes[] = {
    {0x2010, "a hyphen, not a minus sign: type - instead"},
    {0x2011, "a non-breaking hyphen, not a minus sign: type - instead"},
    {0x2012, "a figure dash, not a minus sign: type - instead"},
    {0x2013, "an en dash, not a minus sign: type - instead"},
    {0x2014, "an em dash, not a minus sign: type - instead"},
    {0x2015, "a horizontal bar, not a minus sign: type - instead"},
    {0x00B7, "a middle dot, not a decimal point: type . instead"},
    {0x200B, "an invisible zero-width space: delete it"},
    {0xFEFF, "an invisible byte-order mark: delete it"},
    {0xFFFD, "what stands for a character the file's encoding could not give: save the file again"},
};

}  // namespace

std::string WithPlainNumberCharacters(std::string_view text) {
  std::string plain;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    const char32_t code = CodePointAt(text, at, length);
    const char ascii = length > 1 ? PlainOf(code) : 0;
    if (ascii != 0) {
      plain += ascii;
    } else {
      plain.append(text.substr(at, length));
    }
    at += length;
  }
  return plain;
}

std::string LookAlikeInNumber(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    const char32_t code = CodePointAt(text, at, length);
    const std::string shown = Visible(text.substr(at, length));
    for (const LookAlike& look_alike : kLookAlikes) {
      if (look_alike.code == code) return shown + " is " + look_alike.what;
    }
    if (length > 1 && PlainOf(code) == 0) {
      char number[16];
      std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
      return shown + " (" + number + ") is no character numbers are written with: use 0 to 9";
    }
    at += length;
  }
  return "";
}
