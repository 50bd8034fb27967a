#include "interface/study_text.h"

#include <cstdio>
#include <cstring>

#include "platform/process_heap.h"

namespace {

void FreeOwnedText(StudyText& value) {
  if (value.owned != 0 && value.text != nullptr) {
    process_heap::Free(const_cast<char*>(value.text));
  }
}

void ResetToEmpty(StudyText& value) {
  FreeOwnedText(value);
  value.text = value.empty;
  value.owned = 0;
  value.changed = 0;
}

// Characters the formatted text needs, counted without a buffer; negative on
// a formatting error.
int CountFormatted(const char* format, va_list arguments) STUDY_PRINTF_FORMAT(1, 0);
int CountFormatted(const char* format, va_list arguments) {
  va_list counting;
  va_copy(counting, arguments);
  const int need = std::vsnprintf(nullptr, 0, format, counting);
  va_end(counting);
  return need;
}

void WriteFormatted(char* destination, std::size_t capacity, const char* format, va_list arguments)
    STUDY_PRINTF_FORMAT(3, 0);
void WriteFormatted(char* destination, std::size_t capacity, const char* format,
                    va_list arguments) {
  va_list writing;
  va_copy(writing, arguments);
  std::vsnprintf(destination, capacity, format, writing);
  va_end(writing);
}

// Length of `text`, looking at no more than `limit` characters.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  const void* terminator = std::memchr(text, '\0', limit);
  return terminator != nullptr
             ? static_cast<std::size_t>(static_cast<const char*>(terminator) - text)
             : limit;
}

}  // namespace

char* AllocateTextBlock(std::int64_t size) {
  if (size <= 0) return nullptr;
  void* block = process_heap::Allocate(static_cast<std::size_t>(size));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, static_cast<std::size_t>(size));
  return static_cast<char*>(block);
}

std::int32_t ClampedLength(const char* text) {
  if (text == nullptr) return 0;
  return static_cast<std::int32_t>(BoundedLength(text, kLongestStudyText));
}

void AssignChars(StudyText& value, const char* source, std::int32_t length) {
  ResetToEmpty(value);
  if (source != nullptr && length != 0) {
    const std::int64_t n = length > kLongestStudyText ? kLongestStudyText : length;
    char* block = AllocateTextBlock(n + 1);  // zero-filled: the terminator is there
    if (block != nullptr) {
      std::memcpy(block, source, BoundedLength(source, static_cast<std::size_t>(n)));
      value.text = block;
      value.owned = 1;
    }
  }
  value.changed = 1;
}

StudyText& FormatText(StudyText& value, const char* format, ...) {
  ResetToEmpty(value);
  va_list arguments;
  va_start(arguments, format);
  AppendTextList(value, format, arguments);
  va_end(arguments);
  return value;
}

StudyText& AppendText(StudyText& value, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  AppendTextList(value, format, arguments);
  va_end(arguments);
  return value;
}

StudyText& AppendTextList(StudyText& value, const char* format, va_list arguments) {
  if (format == nullptr) return value;
  const std::int64_t pos = ClampedLength(value.text);
  const int need = CountFormatted(format, arguments);
  if (need < 0 || need > kLongestStudyText - pos) return value;
  char* block = AllocateTextBlock(pos + need + 1);
  if (block == nullptr) return value;
  if (pos > 0) std::memcpy(block, value.text, static_cast<std::size_t>(pos));
  WriteFormatted(block + pos, static_cast<std::size_t>(need) + 1, format, arguments);
  FreeOwnedText(value);
  value.text = block;
  value.owned = 1;
  value.changed = 1;
  return value;
}

void CopyText(StudyText& value, const StudyText& source) {
  if (&value == &source) return;
  const bool source_has_text = source.text != nullptr && source.text[0] != '\0';
  const bool value_has_text = value.text != nullptr && value.text[0] != '\0';
  if (source_has_text) {
    AssignChars(value, source.text, ClampedLength(source.text));  // sets changed
  } else if (value_has_text) {
    // An empty or null source empties the value alike.
    ResetToEmpty(value);
    value.changed = 1;
  }
}

void ReleaseText(StudyText& value) {
  if (value.owned != 0 && value.text != nullptr) {
    process_heap::Free(const_cast<char*>(value.text));
    value.text = nullptr;
    value.owned = 0;
    value.changed = 0;
  }
}
