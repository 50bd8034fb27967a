#include "host/process_census.h"

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <locale>
#include <system_error>

namespace {

// The C library's locale categories, each a fact.
struct LocaleCategory {
  int category;
  const char* name;
};
constexpr LocaleCategory kLocaleCategories[] = {
    {LC_CTYPE, "LC_CTYPE"},       {LC_NUMERIC, "LC_NUMERIC"},   {LC_TIME, "LC_TIME"},
    {LC_COLLATE, "LC_COLLATE"},   {LC_MONETARY, "LC_MONETARY"},
#if defined(LC_MESSAGES)
    {LC_MESSAGES, "LC_MESSAGES"},
#endif
};

std::string QuotedState(const std::string& state) {
  return state.empty() ? "nothing" : state;
}

// One difference in words, by the kind of fact: gained (no `before`), lost
// (no `after`) or changed.
std::string Worded(CensusKind kind, const std::string& subject, const std::string* before,
                   const std::string* after) {
  const auto changed = [&](const std::string& what) {
    return what + " changed from " + QuotedState(*before) + " to " + QuotedState(*after);
  };
  switch (kind) {
    case CensusKind::kDescriptor:
      if (before == nullptr) return "left descriptor " + subject + " open: " + *after;
      if (after == nullptr)
        return "closed descriptor " + subject + " (" + *before + "), the host's";
      return "descriptor " + subject + " now refers to " + *after + ", not " + *before;
    case CensusKind::kHandles: {
      const long long had = before != nullptr ? std::stoll(*before) : 0;
      const long long has = after != nullptr ? std::stoll(*after) : 0;
      if (has > had) {
        return "left " + std::to_string(has - had) + " more handles of type " + subject + " open";
      }
      return "closed " + std::to_string(had - has) + " of the host's handles of type " + subject;
    }
    case CensusKind::kNamedObject:
      if (before == nullptr) return "holds the named object " + subject;
      if (after == nullptr) return "closed the host's named object " + subject;
      return changed("the named object " + subject);
    case CensusKind::kThread:
      if (before == nullptr) return "a thread of its own runs (" + subject + ", " + *after + ")";
      if (after == nullptr)
        return "a thread of the host's ended (" + subject + ", " + *before + ")";
      return changed("the name of thread " + subject);
    case CensusKind::kLibrary:
      if (before == nullptr) return "left the library " + subject + " loaded";
      if (after == nullptr)
        return "unloaded the library " + subject + ", which the host had loaded";
      return changed("the library " + subject);
    case CensusKind::kMappedFile:
      if (before == nullptr) return "left the file " + subject + " mapped into memory";
      if (after == nullptr) return "unmapped the file " + subject + ", which the host had mapped";
      return changed("the mappings of the file " + subject);
    case CensusKind::kEnvironment:
      if (before == nullptr && after->rfind("a string ", 0) == 0) {
        return "the environment holds " + *after;
      }
      if (before == nullptr) return "the environment gained " + subject + "=" + *after;
      if (after == nullptr) return "the environment lost " + subject;
      return "the environment variable " + subject + " changed from '" + *before + "' to '" +
             *after + "'";
    case CensusKind::kWorkingFolder:
      return changed("the working folder");
    case CensusKind::kLocale:
      return changed("the locale " + subject);
    case CensusKind::kSignal:
      return changed("the handling of " + subject);
    case CensusKind::kProcess:
      return changed("the process's " + subject);
    case CensusKind::kCallingThread:
      return changed("the calling thread's " + subject);
    case CensusKind::kStandardStream:
      return changed(subject);
  }
  return changed(subject);
}

// While the module is loaded its image and what it brought are expected.
bool ComparedWhileLoaded(CensusKind kind) {
  return kind != CensusKind::kLibrary && kind != CensusKind::kMappedFile;
}

}  // namespace

ProcessCensus TakeProcessCensus() {
  ProcessCensus census;
  std::error_code error;
  census.Add(CensusKind::kWorkingFolder, "", std::filesystem::current_path(error).string());
  for (const LocaleCategory& category : kLocaleCategories) {
    const char* name = std::setlocale(category.category, nullptr);
    census.Add(CensusKind::kLocale, category.name, name != nullptr ? name : "");
  }
  census.Add(CensusKind::kLocale, "of C++ (the global locale)", std::locale().name());
  AddPlatformFacts(census);
  census.Add(CensusKind::kStandardStream, "standard input", StandardStreamState(stdin));
  census.Add(CensusKind::kStandardStream, "standard output", StandardStreamState(stdout));
  census.Add(CensusKind::kStandardStream, "standard error", StandardStreamState(stderr));
  return census;
}

std::vector<std::string> CensusChanges(const ProcessCensus& before, const ProcessCensus& after,
                                       CensusScope scope) {
  std::vector<std::string> changes;
  const auto compared = [scope](CensusKind kind) {
    return scope == CensusScope::kModuleUnloaded || ComparedWhileLoaded(kind);
  };
  for (const auto& [key, state] : after.facts) {
    if (!compared(key.first)) continue;
    const auto found = before.facts.find(key);
    if (found == before.facts.end()) {
      changes.push_back(Worded(key.first, key.second, nullptr, &state));
    } else if (found->second != state) {
      changes.push_back(Worded(key.first, key.second, &found->second, &state));
    }
  }
  for (const auto& [key, state] : before.facts) {
    if (compared(key.first) && after.facts.find(key) == after.facts.end()) {
      changes.push_back(Worded(key.first, key.second, &state, nullptr));
    }
  }
  return changes;
}

std::string CensusChangeWords(const ProcessCensus& before, const ProcessCensus& after,
                              CensusScope scope) {
  const std::vector<std::string> changes = CensusChanges(before, after, scope);
  constexpr std::size_t kShown = 3;
  std::string words;
  for (std::size_t index = 0; index < changes.size() && index < kShown; ++index) {
    words += (index == 0 ? "" : "; ") + changes[index];
  }
  if (changes.size() > kShown) {
    words += " and " + std::to_string(changes.size() - kShown) + " more";
  }
  return words;
}
