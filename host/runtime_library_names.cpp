#include "host/runtime_library_names.h"

#include <initializer_list>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLowercaseOrDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z');
}

bool IsNamePart(char c) {
  return IsLowercaseOrDigit(c) || c == '_';
}

// Takes `prefix` off the front of `rest`, if it is there.
bool TakePrefix(std::string_view& rest, std::string_view prefix) {
  if (!rest.starts_with(prefix)) return false;
  rest.remove_prefix(prefix.size());
  return true;
}

// Takes the longest run of characters `accepted` takes off the front of
// `rest`; false if there is none.
bool TakeSome(std::string_view& rest, bool (*accepted)(char)) {
  std::size_t length = 0;
  while (length < rest.size() && accepted(rest[length])) ++length;
  rest.remove_prefix(length);
  return length > 0;
}

// lib(stdc++|gcc_s_<arch>|winpthread|gomp|ssp|atomic|quadmath)-<n>.dll
bool IsCompilerRuntime(std::string_view rest) {
  if (!TakePrefix(rest, "lib")) return false;
  bool known = false;
  if (TakePrefix(rest, "gcc_s_")) {
    known = TakeSome(rest, IsLowercaseOrDigit);
  } else {
    for (std::string_view library : {"stdc++", "winpthread", "gomp", "ssp", "atomic", "quadmath"}) {
      if (TakePrefix(rest, library)) {
        known = true;
        break;
      }
    }
  }
  return known && TakePrefix(rest, "-") && TakeSome(rest, IsDigit) && rest == ".dll";
}

// msvcr<n>d, msvcp<n>d, vcruntime<n>[_1]d, concrt<n>d or ucrtbased, .dll
bool IsDebugRuntime(std::string_view name) {
  if (name == "ucrtbased.dll") return true;
  for (std::string_view stem : {"msvcr", "msvcp", "vcruntime", "concrt"}) {
    std::string_view rest = name;
    if (!TakePrefix(rest, stem) || !TakeSome(rest, IsDigit)) continue;
    if (stem == "vcruntime") TakePrefix(rest, "_1");
    if (rest == "d.dll") return true;
  }
  return false;
}

// msvcr1<n>, msvcp<n>[_<part>] (msvcp140_atomic_wait), vcruntime<n>[_1],
// concrt<n> or vcomp<n>, .dll
bool IsRedistributable(std::string_view name) {
  for (std::string_view stem : {"msvcr1", "msvcp", "vcruntime", "concrt", "vcomp"}) {
    std::string_view rest = name;
    if (!TakePrefix(rest, stem) || !TakeSome(rest, IsDigit)) continue;
    if (stem == "msvcp" && TakePrefix(rest, "_") && !TakeSome(rest, IsNamePart)) continue;
    if (stem == "vcruntime") TakePrefix(rest, "_1");
    if (rest == ".dll") return true;
  }
  return false;
}

}  // namespace

RuntimeLibraryKind ClassifyRuntimeLibrary(std::string_view lowercase_name) {
  if (IsCompilerRuntime(lowercase_name)) return RuntimeLibraryKind::kCompilerRuntime;
  if (IsDebugRuntime(lowercase_name)) return RuntimeLibraryKind::kDebugRuntime;
  if (IsRedistributable(lowercase_name)) return RuntimeLibraryKind::kRedistributable;
  return RuntimeLibraryKind::kOther;
}
