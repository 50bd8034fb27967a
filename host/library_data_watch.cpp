#include "host/library_data_watch.h"

#include <cwchar>
#include <locale>
#include <utility>

#include "host/runtime_exercise.h"

namespace {

// Rounds of the tool's own work learned from before the module is loaded,
// and again when a difference is found after it is gone.
constexpr int kRoundsLearned = 2;

template <typename Char>
void UseEveryFacet(const std::locale& locale) {
  static_cast<void>(std::use_facet<std::ctype<Char>>(locale));
  static_cast<void>(std::use_facet<std::codecvt<Char, char, std::mbstate_t>>(locale));
  static_cast<void>(std::use_facet<std::numpunct<Char>>(locale));
  static_cast<void>(std::use_facet<std::num_get<Char>>(locale));
  static_cast<void>(std::use_facet<std::num_put<Char>>(locale));
  static_cast<void>(std::use_facet<std::collate<Char>>(locale));
  static_cast<void>(std::use_facet<std::moneypunct<Char, true>>(locale));
  static_cast<void>(std::use_facet<std::moneypunct<Char, false>>(locale));
  static_cast<void>(std::use_facet<std::money_get<Char>>(locale));
  static_cast<void>(std::use_facet<std::money_put<Char>>(locale));
  static_cast<void>(std::use_facet<std::time_get<Char>>(locale));
  static_cast<void>(std::use_facet<std::time_put<Char>>(locale));
  static_cast<void>(std::use_facet<std::messages<Char>>(locale));
}

// The C++ runtime numbers a kind of facet at its first use: done now, by
// the tool, so a module's first use of one is no change of its own.
void NumberEveryStandardFacet() {
  for (const std::locale& locale : {std::locale::classic(), std::locale()}) {
    UseEveryFacet<char>(locale);
    UseEveryFacet<wchar_t>(locale);
  }
}

}  // namespace

RuntimeLibraryWatch::RuntimeLibraryWatch(std::function<void()> tool_work)
    : tool_work_(std::move(tool_work)) {
  NumberEveryStandardFacet();
  Round(false);  // what the tool's work sets up on its first run is no change
  for (int round = 0; round < kRoundsLearned; ++round) Round(true);
  before_ = TakeLibraryData();
}

void RuntimeLibraryWatch::Round(bool learn) {
  tool_work_();
  ExerciseRuntimeBookkeeping([this, learn] {
    LibraryData now = TakeLibraryData();
    if (learn && !last_.empty()) noise_.Learn(last_, now);
    last_ = std::move(now);
  });
}

std::vector<std::string> RuntimeLibraryWatch::Changes() {
  Round(false);
  LibraryData after = TakeLibraryData();
  if (noise_.Changes(before_, after).empty()) return {};
  last_ = after;
  for (int round = 0; round < kRoundsLearned; ++round) Round(true);
  after = TakeLibraryData();
  noise_.Learn(last_, after);
  return noise_.Changes(before_, after);
}
