// Fuzzes the text value: sequences of its five operations on a few values,
// with chosen allocations failing, checking the value's invariants after
// every step and that every block goes back to the heap.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "byte_reader.h"
#include "host/host_text.h"
#include "interface/study_text.h"
#include "platform/counting_heap.h"

namespace {

constexpr int kValueCount = 3;
constexpr std::size_t kLargestBlock = 1 << 16;  // larger requests fail, as on an exhausted heap

[[noreturn]] void Fail(const char* what, int index) {
  std::fprintf(stderr, "invariant broken: %s (value %d)\n", what, index);
  std::abort();
}

std::int32_t PickLength(ByteReader& in) {
  const std::int32_t specials[] = {0, -1, INT_MIN, INT_MAX, kLongestStudyText, 70000};
  const std::uint8_t choice = in.Byte();
  if (choice < 200) return choice % 80;
  return specials[choice % (sizeof specials / sizeof specials[0])];
}

template <typename... Args>
void Write(StudyText& value, bool append, const char* format, Args... args) {
  if (append) {
    AppendText(value, format, args...);
  } else {
    FormatText(value, format, args...);
  }
}

// A format from a fixed list, with arguments of the matching types; `text`
// may point into the value's own text only when appending.
void FormatOrAppend(ByteReader& in, StudyText& value, bool append, const char* text) {
  const int number = in.Raw<int>();
  const double real = in.Raw<double>();
  switch (in.Below(12)) {
    case 0:
      Write(value, append, "%s", text);
      break;
    case 1:
      Write(value, append, "%s|%s", text, text);
      break;
    case 2:
      Write(value, append, "%d", number);
      break;
    case 3:
      Write(value, append, "%d%%", number);
      break;
    case 4:
      Write(value, append, "%.3f", real);
      break;
    case 5:
      Write(value, append, "%c", number);
      break;
    case 6:
      Write(value, append, "%x-%s", static_cast<unsigned>(number), text);
      break;
    case 7:
      Write(value, append, "%s", "");
      break;
    case 8:
      append ? AppendText(value, "plain text") : FormatText(value, "plain text");
      break;
    case 9:
      Write(value, append, "%lc", static_cast<std::wint_t>(number));
      break;  // may fail
    case 10:
      Write(value, append, "%10s", text);
      break;
    default:
      Write(value, append, "%-5d|%+.2e", number, real);
      break;
  }
}

void CheckInvariants(const StudyText (&values)[kValueCount]) {
  for (int index = 0; index < kValueCount; ++index) {
    const StudyText& value = values[index];
    if (value.owned != 0 && value.owned != 1) Fail("owned flag not 0 or 1", index);
    if (value.changed != 0 && value.changed != 1) Fail("changed flag not 0 or 1", index);
    if (value.empty != kModuleEmptyText) Fail("empty pointer changed", index);
    if (value.owned != 0) {
      if (!counting_heap::IsLiveBlock(value.text)) Fail("owned text is not a live block", index);
      const std::size_t size = counting_heap::BlockSize(value.text);
      if (std::memchr(value.text, 0, size) == nullptr)
        Fail("text not terminated in its block", index);
    } else if (value.text != nullptr && value.text != value.empty) {
      Fail("unowned text is neither null nor empty", index);
    }
  }
}

void Step(ByteReader& in, StudyText (&values)[kValueCount]) {
  const bool fail_next_allocation = in.Below(4) == 0;
  StudyText& value = values[in.Below(kValueCount)];
  StudyText& other = values[in.Below(kValueCount)];
  const bool distinct = &value != &other;
  if (fail_next_allocation) counting_heap::FailNthAllocation(1);
  switch (in.Below(7)) {
    case 0: {
      const std::string source = in.Text(40);
      const std::int32_t length = PickLength(in);
      AssignChars(value, in.Bool() ? nullptr : source.c_str(), length);
      break;
    }
    case 1:
      if (distinct) AssignChars(value, other.text, PickLength(in));
      break;
    case 2:  // FormatText frees the value first: its arguments come from another value
      FormatOrAppend(in, value, false, distinct ? TextOrEmpty(other) : "fixed");
      break;
    case 3:  // AppendText may read the value's own text
      FormatOrAppend(in, value, true, TextOrEmpty(other));
      break;
    case 4:
      CopyText(value, other);
      break;
    case 5:
      ReleaseText(value);
      break;
    default: {  // text the host allocated and handed over as owned
      const std::string text = in.Text(20);
      PlaceHostText(value, text.c_str());
      break;
    }
  }
  counting_heap::StopFailing();
  CheckInvariants(values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  counting_heap::SetLargestBlock(kLargestBlock);
  const counting_heap::Counts before = counting_heap::Snapshot();
  ByteReader in(data, size);
  StudyText values[kValueCount] = {MakeStudyText(), MakeStudyText(), MakeStudyText()};
  for (int steps = 0; !in.empty() && steps < 64; ++steps) Step(in, values);
  for (StudyText& value : values) ReleaseText(value);
  const counting_heap::Counts after = counting_heap::Snapshot();
  if (after.live_blocks != before.live_blocks) Fail("heap blocks leaked", -1);
  if (after.unknown_frees != before.unknown_frees) Fail("double or foreign free", -1);
  return 0;
}
