// Characters people type in numbers beyond ASCII's: read as ASCII where
// their meaning is certain, named where a number holding them is refused.
#pragma once

#include <string>
#include <string_view>

// `text` with the characters whose meaning in a number is certain written
// as ASCII: no-break, thin, narrow no-break and ideographic spaces as
// blanks; the typographic minus (−) and the small and full-width
// hyphen-minus as '-'; full-width digits (０ to ９, as East Asian input
// methods type them) as 0 to 9, and the full-width plus, full stop and
// comma as '+', '.' and ','. Everything else stays as it is.
std::string WithPlainNumberCharacters(std::string_view text);

// The first character in `text` that no number is written with, though it
// may look like part of one, named with what to write instead: "\u2013 is
// an en dash, not a minus sign: type - instead". "" when `text` holds none
// (after WithPlainNumberCharacters, only ASCII remains of what it reads).
std::string LookAlikeInNumber(std::string_view text);
