#include "host/process_census.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <locale>
#include <new>
#include <system_error>
#include <typeinfo>

#include "host/demangled.h"

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
      return changed("thread " + subject);
    case CensusKind::kThreadAttribute:
      return changed("the " + subject);
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
    case CensusKind::kTimer:
      if (before == nullptr) return "left " + subject + " armed (" + *after + ")";
      if (after == nullptr) return "removed " + subject + ", the host's (" + *before + ")";
      return changed(subject);
    case CensusKind::kTimerObject:
      if (before == nullptr) return "left " + subject + " behind (" + *after + ")";
      if (after == nullptr) return "removed " + subject + ", the host's (" + *before + ")";
      return changed(subject);
    case CensusKind::kPerThreadSlots:
      return changed("the number of " + subject);
    case CensusKind::kRuntimeHandler:
      return changed(subject);
    case CensusKind::kCallingThread:
      return changed("the calling thread's " + subject);
    case CensusKind::kStandardStream:
      return changed(subject);
  }
  return changed(subject);
}

// While the module is loaded its image and what it brought are expected,
// and what it may hold until it is unloaded and then give back is its own.
bool ComparedWhileLoaded(CensusKind kind) {
  switch (kind) {
    case CensusKind::kLibrary:
    case CensusKind::kMappedFile:
    case CensusKind::kDescriptor:
    case CensusKind::kHandles:
    case CensusKind::kNamedObject:
    case CensusKind::kPerThreadSlots:
    case CensusKind::kTimerObject:
    case CensusKind::kSignal:
      return false;
    default:
      return true;
  }
}

// A thread's attributes come and go with the thread, which is named itself.
bool ComparedOnlyWhileBothHaveIt(CensusKind kind) {
  return kind == CensusKind::kThreadAttribute;
}

// The format flags of a C++ stream, in words.
std::string FormatFlagWords(std::ios_base::fmtflags flags) {
  const struct {
    std::ios_base::fmtflags flag;
    const char* name;
  } named[] = {{std::ios_base::boolalpha, "boolalpha"},
               {std::ios_base::dec, "dec"},
               {std::ios_base::fixed, "fixed"},
               {std::ios_base::hex, "hex"},
               {std::ios_base::internal, "internal"},
               {std::ios_base::left, "left"},
               {std::ios_base::oct, "oct"},
               {std::ios_base::right, "right"},
               {std::ios_base::scientific, "scientific"},
               {std::ios_base::showbase, "showbase"},
               {std::ios_base::showpoint, "showpoint"},
               {std::ios_base::showpos, "showpos"},
               {std::ios_base::skipws, "skipws"},
               {std::ios_base::unitbuf, "unitbuf"},
               {std::ios_base::uppercase, "uppercase"}};
  std::string words;
  for (const auto& flag : named) {
    if ((flags & flag.flag) == 0) continue;
    if (!words.empty()) words += ' ';
    words += flag.name;
  }
  return words.empty() ? "no flags" : words;
}

// A C++ standard stream as the runtime holds it: its format, state, tie and
// the kind of buffer it writes through (synchronised with the C stream, or
// one of its own once unsynchronised).
std::string CppStreamState(std::ios& stream) {
  // Built piece by piece: g++ 12 warns wrongly of overlap in a chain of +.
  std::string state = FormatFlagWords(stream.flags());
  state += ", precision ";
  state += std::to_string(stream.precision());
  state += ", width ";
  state += std::to_string(stream.width());
  state += ", fill ";
  state += std::to_string(static_cast<int>(stream.fill()));
  state += ", state ";
  state += std::to_string(static_cast<int>(stream.rdstate()));
  state += stream.tie() != nullptr ? ", tied" : ", untied";
  if (std::streambuf* buffer = stream.rdbuf()) {
    state += ", its buffer a ";
    state += Demangled(typeid(*buffer).name());
  }
  return state;
}

void AddCppRuntime(ProcessCensus& census) {
  const struct {
    std::ios* stream;
    const char* name;
  } streams[] = {{&std::cin, "std::cin"},
                 {&std::cout, "std::cout"},
                 {&std::cerr, "std::cerr"},
                 {&std::clog, "std::clog"}};
  for (const auto& stream : streams) {
    census.Add(CensusKind::kStandardStream, stream.name, CppStreamState(*stream.stream));
  }
  const auto where = [](const void* handler) {
    std::string words = handler == nullptr ? "none" : "a handler ";
    if (handler != nullptr) words += WhereAddressPoints(handler);
    return words;
  };
  census.Add(CensusKind::kRuntimeHandler, "the C++ terminate handler (std::set_terminate)",
             where(reinterpret_cast<const void*>(std::get_terminate())));
  census.Add(CensusKind::kRuntimeHandler, "the C++ new handler (std::set_new_handler)",
             where(reinterpret_cast<const void*>(std::get_new_handler())));
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
  AddCppRuntime(census);
  return census;
}

std::vector<std::string> CensusChanges(const ProcessCensus& before, const ProcessCensus& after,
                                       CensusScope scope) {
  std::vector<std::string> changes;
  const auto compared = [scope](CensusKind kind) {
    return scope == CensusScope::kWhole || ComparedWhileLoaded(kind);
  };
  for (const auto& [key, state] : after.facts) {
    if (!compared(key.first)) continue;
    const auto found = before.facts.find(key);
    if (found == before.facts.end()) {
      if (ComparedOnlyWhileBothHaveIt(key.first)) continue;
      changes.push_back(Worded(key.first, key.second, nullptr, &state));
    } else if (found->second != state) {
      changes.push_back(Worded(key.first, key.second, &found->second, &state));
    }
  }
  for (const auto& [key, state] : before.facts) {
    if (ComparedOnlyWhileBothHaveIt(key.first)) continue;
    if (compared(key.first) && after.facts.find(key) == after.facts.end()) {
      changes.push_back(Worded(key.first, key.second, &state, nullptr));
    }
  }
  return changes;
}

std::string CensusChangeWords(const ProcessCensus& before, const ProcessCensus& after,
                              CensusScope scope) {
  return JoinedChangeWords(CensusChanges(before, after, scope));
}

std::string JoinedChangeWords(const std::vector<std::string>& changes) {
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
