#include "tools/study-host/option_spellings.h"

#include <algorithm>

#include "tools/study-host/common/text_format.h"

namespace {

// The option's name without its leading dashes or slash and without a
// value after '=' or ':' ("-File=x" gives "file"); "" when it has no such
// start.
std::string NamePart(const std::string& word, std::string& value) {
  std::size_t start = 0;
  if (word.rfind("--", 0) == 0) {
    start = 2;
  } else if (word.size() > 1 && (word[0] == '-' || word[0] == '/')) {
    start = 1;
  } else {
    return "";
  }
  const std::size_t end = word.find_first_of("=:", start);
  value = end == std::string::npos ? "" : word.substr(end + 1);
  return Lowercase(word.substr(start, end == std::string::npos ? end : end - start));
}

bool EndsWith(const std::string& text, const std::string& ending) {
  return text.size() > ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// A value as it is typed on a command line, after a blank: in quotes when
// it holds one.
std::string AsTyped(const std::string& value) {
  // Built piece by piece: g++ 12 warns wrongly of overlap in a chain of +.
  const bool quoted = value.find(' ') != std::string::npos;
  std::string typed = quoted ? " \"" : " ";
  typed += Visible(value);
  if (quoted) typed += "\"";
  return typed;
}

}  // namespace

std::optional<OptionName> OptionMeant(const std::string& word,
                                      const std::vector<OptionName>& options) {
  std::string value;
  const std::string name = NamePart(word, value);
  if (name.empty()) return std::nullopt;
  const auto option = std::find_if(options.begin(), options.end(), [&name](const OptionName& each) {
    return each.name == "--" + name;
  });
  if (option == options.end()) return std::nullopt;
  if (word == option->name || word.rfind(option->name + "=", 0) == 0) return std::nullopt;
  return *option;
}

bool LooksLikeSessionFile(const std::string& word) {
  const std::string lowered = Lowercase(word);
  return word.rfind('-', 0) != 0 && (EndsWith(lowered, ".csv") || EndsWith(lowered, ".txt"));
}

std::string MeantInstead(const std::vector<std::string>& unexpected,
                         const std::vector<OptionName>& options, bool takes_session_file) {
  for (std::size_t index = 0; index < unexpected.size(); ++index) {
    const std::string& word = unexpected[index];
    if (const std::optional<OptionName> option = OptionMeant(word, options)) {
      std::string value;
      NamePart(word, value);
      if (option->takes_value && value.empty() && index + 1 < unexpected.size()) {
        value = unexpected[index + 1];
      }
      std::string meant = ": options are written with two dashes, in small letters: ";
      meant += option->name;
      if (option->takes_value && !value.empty()) meant += AsTyped(value);
      return meant;
    }
    if (takes_session_file && LooksLikeSessionFile(word)) {
      return ": a session file is given with --file: --file" + AsTyped(word);
    }
  }
  return "";
}
