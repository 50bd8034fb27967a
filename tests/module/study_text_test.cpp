#include "interface/study_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>

#include "platform/counting_heap.h"
#include "support/heap_check.h"
#include "support/mapped_text.h"

namespace {

using StudyTextTest = HeapCheckedTest;

std::string Text(const StudyText& value) {
  return TextOrEmpty(value);
}

// A value that owns "old" text, as the host or an earlier call left it.
StudyText OwnedValue(const char* text) {
  StudyText value = MakeStudyText();
  AssignChars(value, text, ClampedLength(text));
  return value;
}

struct AssignCase {
  const char* name;
  const char* source;
  std::int32_t length;
  const char* expected;
  bool owned;
  std::size_t block_size;  // 0: no block
};

TEST_F(StudyTextTest, AssignCharsCopiesAtMostLengthCharacters) {
  const AssignCase cases[] = {
      {"exact length", "Enabled", 7, "Enabled", true, 8},
      {"shorter than source", "abcdef", 3, "abc", true, 4},
      {"longer than source", "abc", 10, "abc", true, 11},
      {"null source", nullptr, 5, "", false, 0},
      {"zero length", "abc", 0, "", false, 0},
      {"length -1", "abc", -1, "", false, 0},
      {"length INT_MIN", "abc", INT_MIN, "", false, 0},
  };
  for (const AssignCase& c : cases) {
    SCOPED_TRACE(c.name);
    StudyText value = OwnedValue("old text");
    const auto calls_before = counting_heap::Snapshot();
    AssignChars(value, c.source, c.length);
    const auto calls_after = counting_heap::Snapshot();
    EXPECT_EQ(Text(value), c.expected);
    EXPECT_EQ(value.owned, c.owned ? 1 : 0);
    EXPECT_EQ(value.changed, 1);
    EXPECT_EQ(calls_after.frees - calls_before.frees, 1) << "old text released";
    if (c.block_size == 0) {
      EXPECT_EQ(value.text, kModuleEmptyText);
      EXPECT_EQ(calls_after.allocations + calls_after.failures,
                calls_before.allocations + calls_before.failures)
          << "no heap call for a size of 0 or less";
    } else {
      ASSERT_EQ(counting_heap::BlockSize(value.text), c.block_size);
      for (std::size_t i = std::strlen(c.expected); i < c.block_size; ++i) {
        EXPECT_EQ(value.text[i], '\0') << "block zero-filled at " << i;
      }
    }
    ReleaseText(value);
  }
}

TEST_F(StudyTextTest, AssignCharsClampsLengthToLongestText) {
  StudyText value = MakeStudyText();
  counting_heap::ScopedAllocationFailure fail_all(0);
  AssignChars(value, "abc", INT_MAX);
  EXPECT_EQ(counting_heap::Snapshot().last_request, std::size_t{2147483647});
  EXPECT_EQ(Text(value), "");
  EXPECT_EQ(value.owned, 0);
  EXPECT_EQ(value.changed, 1);
}

// Fails the 1st, 2nd, ... allocation of each operation until one completes
// with none failing; every outcome follows the failure table and leaks nothing.
TEST_F(StudyTextTest, AllocationFailureSweepFollowsFailureTable) {
  struct Outcome {
    const char* text;  // null: the value keeps its old text block
    std::int32_t owned;
    std::int32_t changed;
  };
  struct SweepCase {
    const char* name;
    std::function<void(StudyText&)> operation;
    Outcome on_failure;
    Outcome on_success;
  };
  const SweepCase cases[] = {
      {"AssignChars", [](StudyText& v) { AssignChars(v, "new", 3); }, {"", 0, 1}, {"new", 1, 1}},
      {"FormatText",
       [](StudyText& v) { FormatText(v, "%s-%d", "new", 1); },
       {"", 0, 0},
       {"new-1", 1, 1}},
      {"AppendText",
       [](StudyText& v) { AppendText(v, "+%s", v.text); },
       {nullptr, 1, 0},
       {"old+old", 1, 1}},
      {"CopyText",
       [](StudyText& v) {
         CopyText(v, StudyText{"copy", 0, 0, kModuleEmptyText});
       },
       {"", 0, 1},
       {"copy", 1, 1}},
  };
  for (const SweepCase& c : cases) {
    for (std::int64_t failing = 1;; ++failing) {
      SCOPED_TRACE(testing::Message() << c.name << ", allocation " << failing << " fails");
      StudyText value = OwnedValue("old");
      value.changed = 0;
      const char* old_text = value.text;
      const std::int64_t failures_before = counting_heap::Snapshot().failures;
      {
        counting_heap::ScopedAllocationFailure fail(failing);
        c.operation(value);
      }
      const bool failed = counting_heap::Snapshot().failures != failures_before;
      const Outcome& expected = failed ? c.on_failure : c.on_success;
      if (expected.text == nullptr) {
        EXPECT_EQ(value.text, old_text);
      } else {
        EXPECT_EQ(Text(value), expected.text);
      }
      EXPECT_EQ(value.owned, expected.owned);
      EXPECT_EQ(value.changed, expected.changed);
      ReleaseText(value);
      if (!failed) break;
      ASSERT_LT(failing, 10) << "runaway sweep";
    }
  }
}

TEST_F(StudyTextTest, FormatTextReplacesValue) {
  StudyText value = OwnedValue("old");
  FormatText(value, "<b>%s</b> %d", "name", 42);
  EXPECT_EQ(Text(value), "<b>name</b> 42");
  EXPECT_EQ(value.owned, 1);
  EXPECT_EQ(value.changed, 1);
  EXPECT_EQ(counting_heap::BlockSize(value.text), std::strlen("<b>name</b> 42") + 1);

  FormatText(value, nullptr);
  EXPECT_EQ(value.text, kModuleEmptyText) << "null format empties the value";
  EXPECT_EQ(value.owned, 0);
  EXPECT_EQ(value.changed, 0);
}

TEST_F(StudyTextTest, FormattingErrorEmptiesFormatAndLeavesAppendUnchanged) {
#if !defined(__GLIBC__)
  GTEST_SKIP() << "this C runtime formats every character it is given; no error to provoke";
#endif
  const std::wint_t unencodable = 0x100;  // no single byte in the C locale
  StudyText formatted = OwnedValue("old");
  FormatText(formatted, "%lc", unencodable);
  EXPECT_EQ(formatted.text, kModuleEmptyText);
  EXPECT_EQ(formatted.owned + formatted.changed, 0);

  StudyText appended = OwnedValue("old");
  const char* before = appended.text;
  AppendText(appended, "%lc", unencodable);
  AppendText(appended, nullptr);
  EXPECT_EQ(appended.text, before);
  ReleaseText(appended);
}

struct AppendCase {
  const char* name;
  const char* initial;  // null: a value whose text is null
  const char* expected;
  std::size_t block_size;
};

TEST_F(StudyTextTest, AppendTextConcatenatesIntoFreshBlock) {
  const AppendCase cases[] = {
      {"onto text", "abc", "abc-7", 6},
      {"onto one character", "a", "a-7", 4},
      {"onto empty", "", "-7", 3},
      {"onto null text", nullptr, "-7", 3},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(c.name);
    StudyText value = c.initial != nullptr ? OwnedValue(c.initial) : MakeStudyText();
    if (c.initial == nullptr) value.text = nullptr;
    AppendText(value, "-%d", 7);
    EXPECT_EQ(Text(value), c.expected);
    EXPECT_EQ(value.owned, 1);
    EXPECT_EQ(value.changed, 1);
    EXPECT_EQ(counting_heap::BlockSize(value.text), c.block_size);
    ReleaseText(value);
  }
}

// A result of exactly the longest length gets its block asked for (refused
// here, so no second 2 GiB is touched); one character more is not asked for.
TEST_F(StudyTextTest, AppendTextAllowsResultsUpToLongestText) {
  const MappedText long_text(static_cast<std::size_t>(kLongestStudyText) - 2, 'x');
  ASSERT_NE(long_text.c_str(), nullptr) << "no memory for a text of 2 GB";
  const struct {
    const char* appended;
    bool block_requested;
  } cases[] = {
      {"ab", true},    // the longest text
      {"abc", false},  // one character longer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.appended);
    StudyText value = MakeStudyText();
    value.text = long_text.c_str();
    const auto before = counting_heap::Snapshot();
    {
      counting_heap::ScopedAllocationFailure fail_all(0);
      AppendText(value, "%s", c.appended);
    }
    const auto after = counting_heap::Snapshot();
    EXPECT_EQ(value.text, long_text.c_str()) << "left unchanged either way";
    EXPECT_EQ(after.failures - before.failures, c.block_requested ? 1 : 0);
    if (c.block_requested) {
      EXPECT_EQ(after.last_request, std::size_t{2147483647});
    }
  }
}

TEST_F(StudyTextTest, AppendTextWithEmptyResultStillAllocates) {
  StudyText value = MakeStudyText();
  AppendText(value, "%s", "");
  EXPECT_EQ(counting_heap::BlockSize(value.text), 1u);
  EXPECT_EQ(value.owned + value.changed, 2);
  ReleaseText(value);
}

TEST_F(StudyTextTest, AppendTextMayReadItsOwnText) {
  StudyText value = OwnedValue("ab");
  AppendText(value, "%s|%s", value.text, value.text);
  EXPECT_EQ(Text(value), "abab|ab");
  ReleaseText(value);
}

TEST_F(StudyTextTest, CopyTextFollowsSourceEmptiness) {
  struct CopyCase {
    const char* name;
    const char* source;       // null: the source's text is null
    const char* destination;  // "" keeps the destination empty; null: a null text marked owned
    const char* expected;
    std::int32_t changed;  // destination's changed flag afterwards (preset to 7)
    bool resets_to_own_empty;
  };
  const CopyCase cases[] = {
      {"text onto text", "new", "old", "new", 1, false},
      {"text onto empty", "new", "", "new", 1, false},
      {"text onto null text", "new", nullptr, "new", 1, false},
      {"empty onto text", "", "old", "", 1, true},
      {"empty onto one character", "", "x", "", 1, true},
      {"null onto text", nullptr, "old", "", 1, true},
      {"empty onto empty", "", "", "", 7, false},
      {"null onto empty", nullptr, "", "", 7, false},
      {"empty onto null text", "", nullptr, "", 7, false},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.name);
    StudyText source = MakeStudyText();
    source.text = c.source;
    StudyText destination = c.destination == nullptr   ? StudyText{nullptr, 1, 0, kModuleEmptyText}
                            : c.destination[0] != '\0' ? OwnedValue(c.destination)
                                                       : MakeStudyText();
    destination.changed = 7;
    CopyText(destination, source);
    EXPECT_EQ(Text(destination), c.expected);
    EXPECT_EQ(destination.changed, c.changed);
    if (c.resets_to_own_empty) {
      EXPECT_EQ(destination.text, kModuleEmptyText);
      EXPECT_EQ(destination.owned, 0);
    }
    ReleaseText(destination);
  }
}

TEST_F(StudyTextTest, CopyTextOntoItselfDoesNothing) {
  StudyText value = OwnedValue("same");
  const char* before = value.text;
  value.changed = 0;
  CopyText(value, value);
  EXPECT_EQ(value.text, before);
  EXPECT_EQ(value.changed, 0);
  ReleaseText(value);
}

TEST_F(StudyTextTest, ReleaseTextFreesOnlyOwnedText) {
  StudyText owned = OwnedValue("mine");
  ReleaseText(owned);
  EXPECT_EQ(owned.text, nullptr);
  EXPECT_EQ(owned.owned + owned.changed, 0);

  static const char borrowed[] = "borrowed";
  StudyText unowned = {borrowed, 0, 1, kModuleEmptyText};
  ReleaseText(unowned);
  EXPECT_EQ(unowned.text, borrowed);
  EXPECT_EQ(unowned.changed, 1);

  StudyText owned_but_null = {nullptr, 1, 1, kModuleEmptyText};  // nothing to free
  ReleaseText(owned_but_null);
  EXPECT_EQ(owned_but_null.owned + owned_but_null.changed, 2);
}

}  // namespace
