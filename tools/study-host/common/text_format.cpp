#include "tools/study-host/common/text_format.h"

#include "judge/number_words.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string FormatPosition(double position) {
  return judge::NumberWords(position);
}

std::string Counted(long long count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

namespace {

// The length of the whole, shortest UTF-8 sequence of a printable
// character at `at` (C1 controls are not printable); 0 where none starts.
std::size_t PrintableSequenceAt(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
  if (length == 0 || byte > 0xF4 || at + length > text.size()) return 0;
  char32_t code = byte & (0x7F >> length);
  for (std::size_t next = 1; next < length; ++next) {
    const auto continuation = static_cast<unsigned char>(text[at + next]);
    if ((continuation & 0xC0) != 0x80) return 0;
    code = (code << 6) | (continuation & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool valid = code >= kShortest[length] && code <= 0x10FFFF &&
                     (code < 0xD800 || code > 0xDFFF) && code > 0x9F;
  return valid ? length : 0;
}

}  // namespace

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      if (const std::size_t length = PrintableSequenceAt(text, at)) {
        out.append(text.substr(at, length));
        at += length;
        continue;
      }
    }
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
    ++at;
  }
  return out;
}

namespace {

// Code points a reader cannot see or tell from others: spaces, dashes,
// invisible format characters.
bool Unseen(char32_t code) {
  return code == 0x00A0 || code == 0x00AD || (code >= 0x2000 && code <= 0x200F) ||
         (code >= 0x2010 && code <= 0x2015) || code == 0x2028 || code == 0x2029 || code == 0x202F ||
         code == 0x205F || code == 0x2060 || code == 0x2212 || code == 0x3000 || code == 0xFEFF;
}

}  // namespace

char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = static_cast<unsigned char>(text[at]);
  length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  if (length == 1 || at + length > text.size()) {
    length = 1;
    return byte;
  }
  char32_t code = byte & (0x7F >> length);
  for (std::size_t next = 1; next < length; ++next) {
    const auto continuation = static_cast<unsigned char>(text[at + next]);
    if ((continuation & 0xC0) != 0x80) {
      length = 1;
      return byte;
    }
    code = (code << 6) | (continuation & 0x3F);
  }
  return code;
}

std::string Visible(std::string_view text) {
  std::string visible;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    const char32_t code = CodePointAt(text, at, length);
    char escape[12];
    if (length > 1 && Unseen(code)) {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
      visible += escape;
    } else if (length == 1 && code >= 0x80) {  // not UTF-8
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
      visible += escape;
    } else {
      visible += Escaped(text.substr(at, length));
    }
    at += length;
  }
  return visible;
}

std::string StartBetweenCharacters(std::string_view text, std::size_t bytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t length = 1;
    CodePointAt(text, end, length);
    if (end + length > bytes) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

namespace {

// "a blank at its end", "2 blanks at its start"; "" for none.
std::string EdgeBlanks(std::size_t count, const char* edge) {
  if (count == 0) return "";
  return (count == 1 ? std::string("a blank") : std::to_string(count) + " blanks") + " at its " +
         edge;
}

}  // namespace

std::string QuotedName(std::string_view name) {
  const std::size_t first = name.find_first_not_of(' ');
  const std::size_t leading = first == std::string_view::npos ? name.size() : first;
  const std::size_t trailing =
      first == std::string_view::npos ? 0 : name.size() - 1 - name.find_last_not_of(' ');
  const std::string start = EdgeBlanks(leading, "start");
  const std::string end = EdgeBlanks(trailing, "end");
  const std::string said = start + (start.empty() || end.empty() ? "" : " and ") + end;
  // Built piece by piece: g++ 12 warns wrongly of overlap in a chain of +.
  std::string quoted = "'";
  quoted += Visible(name);
  quoted += "'";
  if (!said.empty()) quoted += " (" + said + ")";
  return quoted;
}
