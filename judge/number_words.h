// A number as every word of the judge and the tool writes it: exact and
// shortest, whole numbers without an exponent while they are short, "nan",
// "inf" and "-inf". Its own small library, so the tool's lowest layer can
// share it.
#pragma once

#include <string>

namespace judge {

std::string NumberWords(double value);

}  // namespace judge
