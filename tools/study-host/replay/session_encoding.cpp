#include "tools/study-host/replay/session_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include <utf8.h>

namespace {

constexpr std::size_t kRawRead = 65536;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";
constexpr char16_t kReplacement = 0xFFFD;

// True when `text` may still grow into `mark`.
bool MayBecome(std::string_view text, std::string_view mark) {
  return text.size() < mark.size() && mark.starts_with(text);
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

bool Utf8Reader::ReadRaw() {
  if (at_end_) return false;
  char chunk[kRawRead];
  const std::ptrdiff_t got = source_(chunk, sizeof chunk);
  if (got < 0) failed_ = true;
  if (got <= 0) {
    at_end_ = true;
    return false;
  }
  raw_.append(chunk, static_cast<std::size_t>(got));
  return true;
}

bool Utf8Reader::Detect() {
  const std::string_view start(raw_);
  if (start.starts_with(kUtf8Mark)) {
    encoding_ = Encoding::kUtf8;
    raw_.erase(0, kUtf8Mark.size());
  } else if (start.starts_with(kUtf16LittleEndianMark)) {
    encoding_ = Encoding::kUtf16LittleEndian;
    raw_.erase(0, kUtf16LittleEndianMark.size());
  } else if (start.starts_with(kUtf16BigEndianMark)) {
    encoding_ = Encoding::kUtf16BigEndian;
    raw_.erase(0, kUtf16BigEndianMark.size());
  } else if (!at_end_ && (MayBecome(start, kUtf8Mark) || MayBecome(start, kUtf16LittleEndianMark) ||
                          MayBecome(start, kUtf16BigEndianMark))) {
    return false;
  } else {
    encoding_ = Encoding::kUtf8;
  }
  return true;
}

// Converts the whole code units in raw_; a lone half of a surrogate pair
// becomes U+FFFD, and so does an odd byte left at the end. The library
// converts; what is ours is holding back a half whose other half may come
// with the next read, and marking the halves that never get one (the
// library refuses them).
void Utf8Reader::DecodeUtf16(bool at_end) {
  const bool little = encoding_ == Encoding::kUtf16LittleEndian;
  std::u16string units;
  for (std::size_t at = 0; at + 1 < raw_.size(); at += 2) {
    const auto first = static_cast<unsigned char>(raw_[at]);
    const auto second = static_cast<unsigned char>(raw_[at + 1]);
    units += static_cast<char16_t>(little ? (second << 8) | first : (first << 8) | second);
  }
  std::size_t whole = units.size();
  if (!at_end && whole > 0 && IsHighSurrogate(units[whole - 1])) --whole;  // its pair may follow
  units.resize(whole);
  for (std::size_t at = 0; at < units.size(); ++at) {
    const bool paired =
        IsHighSurrogate(units[at]) && at + 1 < units.size() && IsLowSurrogate(units[at + 1]);
    if (paired) {
      ++at;
    } else if (IsHighSurrogate(units[at]) || IsLowSurrogate(units[at])) {
      units[at] = kReplacement;
    }
  }
  utf8::utf16to8(units.begin(), units.end(), std::back_inserter(decoded_));
  raw_.erase(0, whole * 2);
  if (at_end && !raw_.empty()) {
    utf8::append(kReplacement, std::back_inserter(decoded_));
    raw_.clear();
  }
}

std::ptrdiff_t Utf8Reader::Hand(std::string& from, char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, from.size());
  std::memcpy(buffer, from.data(), n);
  from.erase(0, n);
  return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t Utf8Reader::Read(char* buffer, std::size_t size) {
  while (encoding_ == Encoding::kUnknown) {
    if (Detect()) break;
    ReadRaw();
  }
  if (failed_) return -1;
  if (encoding_ == Encoding::kUtf8) {
    if (!raw_.empty()) return Hand(raw_, buffer, size);
    if (at_end_) return 0;
    return source_(buffer, size);
  }
  while (decoded_.empty()) {
    const bool more = ReadRaw();
    if (failed_) return -1;
    DecodeUtf16(!more);
    if (!more && decoded_.empty()) return 0;
  }
  return Hand(decoded_, buffer, size);
}
