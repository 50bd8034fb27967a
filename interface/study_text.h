// StudyText: the text value the host and the module share.
//
// Values of this type sit at fixed offsets inside host records, so the layout
// is part of the host interface. Storage always comes from the process heap
// (platform/process_heap.h), on both sides: either side may release or replace
// text the other side allocated, as long as `owned` says the value owns it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(__MINGW32__)
#define STUDY_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define STUDY_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#endif

// The module's own read-only empty string: `text` and `empty` of every value
// the module constructs point here.
inline constexpr char kModuleEmptyText[1] = "";

// Longest text any operation produces: one less than the largest int32.
inline constexpr std::int32_t kLongestStudyText = 2147483646;

struct StudyText {
  const char* text;    // zero-terminated text, or null (read as empty); written by whoever assigns
  std::int32_t owned;  // non-zero: `text` is a process-heap block this value must release
  std::int32_t changed;  // set to 1 by writes that change the value, cleared by resets
  const char* empty;  // read-only empty string; set by the constructing side, never written again
};

static_assert(sizeof(StudyText) == 24, "StudyText is 24 bytes in host records");
static_assert(offsetof(StudyText, text) == 0, "text pointer at 0");
static_assert(offsetof(StudyText, owned) == 8, "owned flag at 8");
static_assert(offsetof(StudyText, changed) == 12, "changed flag at 12");
static_assert(offsetof(StudyText, empty) == 16, "empty-string pointer at 16");

// A value as the module constructs it: empty, unowned, unchanged.
constexpr StudyText MakeStudyText() {
  return {kModuleEmptyText, 0, 0, kModuleEmptyText};
}

// Text of `value` as a C string; null reads as "".
inline const char* TextOrEmpty(const StudyText& value) {
  return value.text != nullptr ? value.text : "";
}

// A zero-filled process-heap block of `size` bytes, or null when the heap has
// none. A size of 0 or less yields null without a heap call.
char* AllocateTextBlock(std::int64_t size);

// Length of a C string, clamped to kLongestStudyText; null has length 0.
std::int32_t ClampedLength(const char* text);

// Replaces the value with at most `length` characters of `source` (stopping at
// its terminating zero) in a block of length + 1 bytes. The old text is freed
// first, so `source` must not point into it. Always sets `changed` = 1.
void AssignChars(StudyText& value, const char* source, std::int32_t length);

// Replaces the value with printf-style formatted text. The old text is freed
// before the arguments are read, so none of them may point into it.
StudyText& FormatText(StudyText& value, const char* format, ...) STUDY_PRINTF_FORMAT(2, 3);

// Appends printf-style formatted text. The old text is freed only after the
// new one is complete, so the format and arguments may point into it. Leaves
// the value unchanged on a null format, a formatting error, a result that
// would be too long, or a failed allocation.
StudyText& AppendText(StudyText& value, const char* format, ...) STUDY_PRINTF_FORMAT(2, 3);

// AppendText with an already started argument list. Named apart from the
// variadic form: where va_list is char*, an overload would capture a call
// that passes a single char* argument.
StudyText& AppendTextList(StudyText& value, const char* format, va_list arguments)
    STUDY_PRINTF_FORMAT(2, 0);

// Copies `source` into `value`; copying a value onto itself does nothing, and
// copying empty onto empty leaves even the flags alone.
void CopyText(StudyText& value, const StudyText& source);

// Ends the value's life: frees owned text and leaves `text` null. A value that
// owns nothing is left untouched.
void ReleaseText(StudyText& value);

// A module-constructed value released when it goes out of scope, on every
// way out, exceptions included.
class ScopedStudyText {
 public:
  ScopedStudyText() = default;
  ~ScopedStudyText() { ReleaseText(value_); }
  ScopedStudyText(const ScopedStudyText&) = delete;
  ScopedStudyText& operator=(const ScopedStudyText&) = delete;

  StudyText& get() { return value_; }
  const StudyText& get() const { return value_; }

 private:
  StudyText value_ = MakeStudyText();
};
