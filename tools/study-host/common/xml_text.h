// Text as XML character data, for the reports and pictures the tool writes.
#pragma once

#include <string>

// `text` with markup characters as references, and what XML cannot hold (a
// control character, a byte that is not part of valid UTF-8) as \xNN, so
// text quoted from a module or a file name never spoils the document.
std::string XmlText(const std::string& text);
