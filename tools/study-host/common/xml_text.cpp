#include "tools/study-host/common/xml_text.h"

#include "tools/study-host/common/text_format.h"

std::string XmlText(const std::string& text) {
  // Escaped leaves only printable UTF-8 and backslash escapes, all of which
  // XML holds; what remains is its markup.
  std::string out;
  for (const char c : Escaped(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}
