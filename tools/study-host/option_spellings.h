// What a word the command line did not take was likely meant as: an option
// as other tools spell it ("-file", "--File", "/file", "-Positions"), or a
// session file given without --file.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A command's long option: "--file", and whether a value follows it.
struct OptionName {
  std::string name;
  bool takes_value = false;
};

// The option `word` spells another way ("--file" for "-File" or "/file");
// none when it spells none of `options` or is one as it is.
std::optional<OptionName> OptionMeant(const std::string& word,
                                      const std::vector<OptionName>& options);

// Whether `word` names a session file rather than anything else: it ends in
// .csv or .txt (any case).
bool LooksLikeSessionFile(const std::string& word);

// What `unexpected` (the words no option took, in order) were likely meant
// as, as words to add to "not expected: ...": ": options are written with
// two dashes, in small letters: --file s.csv", ": a session file is given
// with --file: --file s.csv". "" when no word looks meant as anything.
std::string MeantInstead(const std::vector<std::string>& unexpected,
                         const std::vector<OptionName>& options, bool takes_session_file);
