#include "tools/study-host/describe/html_text.h"

#include <algorithm>
#include <cctype>

#include "tools/study-host/common/text_format.h"

namespace {

// The tag's name ("a", "/a", "br"), lowercased.
std::string TagName(const std::string& tag) {
  const auto end = tag.find_first_of(" \t/>", tag[0] == '/' ? 1 : 0);
  return Lowercase(tag.substr(0, end));
}

// The value of href="..." (blanks allowed around the equals sign), or "".
std::string LinkAddress(const std::string& tag) {
  const std::string lower = Lowercase(tag);
  auto at = lower.find("href");
  if (at == std::string::npos) return "";
  at = lower.find('=', at);
  if (at == std::string::npos) return "";
  at = lower.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos) return "";
  const char quote = tag[at];
  if (quote != '"' && quote != '\'') return tag.substr(at, tag.find_first_of(" \t", at) - at);
  const auto end = tag.find(quote, at + 1);
  return end == std::string::npos ? "" : tag.substr(at + 1, end - at - 1);
}

std::string DecodeEntity(const std::string& entity) {
  if (entity == "&amp;") return "&";
  if (entity == "&lt;") return "<";
  if (entity == "&gt;") return ">";
  if (entity == "&quot;") return "\"";
  if (entity == "&#39;" || entity == "&apos;") return "'";
  if (entity == "&nbsp;") return " ";
  return entity;
}

// The '>' that ends the tag opened at `open`, past any quoted attribute
// value (an address may hold '>'); npos when the tag is not closed.
std::string::size_type TagEnd(const std::string& html, std::string::size_type open) {
  char quote = 0;
  for (auto at = open + 1; at < html.size(); ++at) {
    const char c = html[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return at;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
  std::string text;
  std::string pending_address;  // the open link's address, written after its name
  std::string::size_type at = 0;
  while (at < html.size()) {
    const char c = html[at];
    if (c == '<') {
      const auto close = TagEnd(html, at);
      if (close == std::string::npos) {
        text += html.substr(at);
        break;
      }
      const std::string tag = html.substr(at + 1, close - at - 1);
      const std::string name = tag.empty() ? "" : TagName(tag);
      if (name == "br") text += '\n';
      if (name == "a") pending_address = LinkAddress(tag);
      if (name == "/a" && !pending_address.empty()) {
        text += " <" + pending_address + ">";
        pending_address.clear();
      }
      at = close + 1;
    } else if (c == '&') {
      const auto semicolon = html.find(';', at);
      const auto length = semicolon == std::string::npos ? 1 : semicolon - at + 1;
      text += length <= 8 ? DecodeEntity(html.substr(at, length)) : "&";
      at += length <= 8 ? length : 1;
    } else {
      // Line breaks and tabs in HTML source are blanks; other control
      // characters are shown escaped.
      text += c == '\n' || c == '\r' || c == '\t' ? std::string(" ") : Escaped(std::string(1, c));
      ++at;
    }
  }
  return text;
}
