#include "tools/study-host/replay/session_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kRawRead = 65536;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when `text` may still grow into `mark`.
bool MayBecome(std::string_view text, std::string_view mark) {
  return text.size() < mark.size() && StartsWith(mark, text);
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
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
  if (StartsWith(start, kUtf8Mark)) {
    encoding_ = Encoding::kUtf8;
    raw_.erase(0, kUtf8Mark.size());
  } else if (StartsWith(start, kUtf16LittleEndianMark)) {
    encoding_ = Encoding::kUtf16LittleEndian;
    raw_.erase(0, kUtf16LittleEndianMark.size());
  } else if (StartsWith(start, kUtf16BigEndianMark)) {
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

// Converts the whole code units in raw_; at the end, a lone half or an odd
// byte left over becomes U+FFFD.
void Utf8Reader::DecodeUtf16(bool at_end) {
  const bool little = encoding_ == Encoding::kUtf16LittleEndian;
  const auto unit_at = [&](std::size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(raw_[at]);
    const auto second = static_cast<unsigned char>(raw_[at + 1]);
    return little ? (second << 8) | first : (first << 8) | second;
  };
  std::size_t at = 0;
  while (raw_.size() - at >= 2) {
    const char32_t unit = unit_at(at);
    if (!IsHighSurrogate(unit)) {
      AppendUtf8(IsLowSurrogate(unit) ? kReplacement : unit, decoded_);
      at += 2;
      continue;
    }
    if (raw_.size() - at < 4) {
      if (!at_end) break;  // its other half may come with the next read
      AppendUtf8(kReplacement, decoded_);
      at += 2;
      continue;
    }
    const char32_t low = unit_at(at + 2);
    if (IsLowSurrogate(low)) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), decoded_);
      at += 4;
    } else {
      AppendUtf8(kReplacement, decoded_);
      at += 2;
    }
  }
  raw_.erase(0, at);
  if (at_end && !raw_.empty()) {
    AppendUtf8(kReplacement, decoded_);
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
