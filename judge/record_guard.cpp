#include "judge/record_guard.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>

#include "judge/input_values.h"
#include "judge/record_fields.h"

namespace judge {
namespace {

struct ByteRange {
  std::size_t offset;
  std::size_t size;
  bool Holds(std::size_t at) const { return at >= offset && at < offset + size; }
};

#define STUDY_FIELD(type, field)               \
  ByteRange {                                  \
    offsetof(type, field), sizeof(type::field) \
  }
#define STUDY_FIELD_PART(type, field, from, to)   \
  ByteRange {                                     \
    offsetof(type, field) + (from), (to) - (from) \
  }

// Host-private bytes, by the record layouts.
constexpr ByteRange kRecordPrivate[] = {
    STUDY_FIELD(StudyInterface, reserved_0),    STUDY_FIELD(StudyInterface, reserved_20),
    STUDY_FIELD(StudyInterface, reserved_112),  STUDY_FIELD(StudyInterface, reserved_180),
    STUDY_FIELD(StudyInterface, reserved_304),  STUDY_FIELD(StudyInterface, reserved_720),
    STUDY_FIELD(StudyInterface, reserved_848),  STUDY_FIELD(StudyInterface, reserved_896),
    STUDY_FIELD(StudyInterface, reserved_2440),
};
constexpr std::size_t kArrayOffset = offsetof(StudyInterface, input_slots);
constexpr ByteRange kArrayHeaderPrivate[] = {
    STUDY_FIELD(InputSlotArray, reserved_8),
    STUDY_FIELD(InputSlotArray, reserved_28),
    STUDY_FIELD(InputSlotArray, reserved_36),
};
constexpr ByteRange kSlotPrivate[] = {
    STUDY_FIELD(InputSlot, reserved_25),
    STUDY_FIELD(InputSlot, reserved_80),
    STUDY_FIELD(InputSlot, reserved_104),
};

// A text value's text, owned and changed fields: what writing it changes.
// The `empty` field belongs to whoever built the value.
constexpr std::size_t kTextWritten = offsetof(StudyText, empty);

// What the defaults call may write in the record, and in a slot standing for
// an input the study declares.
constexpr ByteRange kRecordDefaultsWrites[] = {
    STUDY_FIELD(StudyInterface, host_setting_16),
    STUDY_FIELD(StudyInterface, host_setting_176),
    STUDY_FIELD(StudyInterface, host_setting_892),
    STUDY_FIELD_PART(StudyInterface, display_name, 0, kTextWritten),
    STUDY_FIELD_PART(StudyInterface, description, 0, kTextWritten),
};
constexpr ByteRange kSlotDefaultsWrites[] = {
    STUDY_FIELD_PART(InputSlot, name, 0, kTextWritten),
    STUDY_FIELD(InputSlot, type_code),
    STUDY_FIELD(InputSlot, value),
    STUDY_FIELD(InputSlot, lower_limit),
    STUDY_FIELD(InputSlot, upper_limit),
};
constexpr ByteRange kRecordOrdinaryWrites[] = {STUDY_FIELD(StudyInterface, order_quantity)};

// Fields only the defaults call writes, filled before an ordinary call.
constexpr ByteRange kRecordDefaultsOnly[] = {
    STUDY_FIELD(StudyInterface, host_setting_16),
    STUDY_FIELD(StudyInterface, host_setting_176),
    STUDY_FIELD(StudyInterface, host_setting_892),
    STUDY_FIELD_PART(StudyInterface, display_name, offsetof(StudyText, changed), kTextWritten),
    STUDY_FIELD_PART(StudyInterface, description, offsetof(StudyText, changed), kTextWritten),
};
// What the defaults call must write is filled too, so a write it leaves out
// shows as the pattern.
constexpr ByteRange kRecordDefaultsOutputs[] = {
    STUDY_FIELD(StudyInterface, host_setting_16),
    STUDY_FIELD(StudyInterface, host_setting_176),
    STUDY_FIELD(StudyInterface, host_setting_892),
};
// Slot bytes a call does not read, by kind: on defaults the type code and
// the value and limit areas (written or left alone, never read); on ordinary
// calls the name's changed flag and the value area beyond the float64 the
// widest type code stores.
constexpr ByteRange kSlotUnreadOnDefaults[] = {
    STUDY_FIELD(InputSlot, type_code),
    STUDY_FIELD(InputSlot, value),
    STUDY_FIELD(InputSlot, lower_limit),
    STUDY_FIELD(InputSlot, upper_limit),
};
constexpr ByteRange kSlotUnreadOnOrdinary[] = {
    STUDY_FIELD_PART(InputSlot, name, offsetof(StudyText, changed), kTextWritten),
    STUDY_FIELD_PART(InputSlot, value, sizeof(double), sizeof(SlotArea)),
};

#undef STUDY_FIELD
#undef STUDY_FIELD_PART

constexpr std::size_t kFallbackOffset = kArrayOffset + offsetof(InputSlotArray, fallback);

bool InAny(std::span<const ByteRange> ranges, std::size_t at) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [at](const ByteRange& range) { return range.Holds(at); });
}

void Fill(std::span<std::uint8_t> bytes, std::span<const ByteRange> ranges, std::size_t base,
          std::uint8_t pattern) {
  for (const ByteRange& range : ranges) {
    std::memset(bytes.data() + base + range.offset, pattern, range.size);
  }
}

// The elements of the host's input array.
std::size_t ElementsOf(const StandInHost& host) {
  return host.options().array == ArrayDelivery::kNever
             ? 0
             : static_cast<std::size_t>(std::max(host.slot_count(), 0));
}

// Where the slots standing for the declared inputs lie in `host`: whether
// the fallback slot stands for one, and which array elements do.
struct DeclaredSlots {
  bool fallback = false;
  std::vector<bool> elements;
};

DeclaredSlots DeclaredSlotsIn(StandInHost& host, const Declaration& declaration) {
  DeclaredSlots slots{false, std::vector<bool>(ElementsOf(host))};
  const auto* array = reinterpret_cast<const std::uint8_t*>(host.array_bytes().data());
  for (std::int32_t input = 0; input < declaration.input_count(); ++input) {
    const auto* slot = reinterpret_cast<const std::uint8_t*>(&SlotForInput(host.record(), input));
    if (slot == reinterpret_cast<const std::uint8_t*>(&host.record().input_slots.fallback)) {
      slots.fallback = true;
    } else if (slot >= array && slot < array + slots.elements.size() * sizeof(InputSlot)) {
      slots.elements[static_cast<std::size_t>(slot - array) / sizeof(InputSlot)] = true;
    }
  }
  return slots;
}

// The array's data pointer and count, written by the host's allocate
// service when it supplies the array during a call.
bool InstalledByHost(std::size_t at, const RecordImage& before, StandInHost& host) {
  const std::size_t data = kArrayOffset + offsetof(InputSlotArray, data);
  void* before_data = nullptr;
  std::memcpy(&before_data, before.record.data() + data, sizeof before_data);
  if (before_data != nullptr || !host.has_array()) return false;
  const ByteRange installed[] = {
      {data, sizeof(InputSlot*)},
      {kArrayOffset + offsetof(InputSlotArray, count), sizeof(std::int32_t)}};
  return InAny(installed, at);
}

bool WritableInRecord(std::size_t at, CallKind kind, const DeclaredSlots& slots) {
  if (kind == CallKind::kOrdinary) return InAny(kRecordOrdinaryWrites, at);
  if (InAny(kRecordDefaultsWrites, at)) return true;
  return slots.fallback && at >= kFallbackOffset && at < kFallbackOffset + sizeof(InputSlot) &&
         InAny(kSlotDefaultsWrites, at - kFallbackOffset);
}

bool WritableInArray(std::size_t at, CallKind kind, const DeclaredSlots& slots) {
  const std::size_t element = at / sizeof(InputSlot);
  return kind == CallKind::kDefaults && element < slots.elements.size() &&
         slots.elements[element] && InAny(kSlotDefaultsWrites, at % sizeof(InputSlot));
}

// Calls `visit` with each byte offset at which `before` and `after` differ,
// until it returns false.
template <typename Visit>
void ForChangedBytes(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                     Visit visit) {
  const std::size_t size = std::min(before.size(), after.size());
  constexpr std::size_t kBlock = 64;
  for (std::size_t block = 0; block < size; block += kBlock) {
    const std::size_t length = std::min(kBlock, size - block);
    if (std::memcmp(before.data() + block, after.data() + block, length) == 0) continue;
    for (std::size_t at = block; at < block + length; ++at) {
      if (before[at] != after[at] && !visit(at)) return;
    }
  }
}

}  // namespace

void FillUnreadBytes(StandInHost& host, CallKind kind, std::uint8_t pattern) {
  const std::span<std::uint8_t> record = host.record_bytes();
  const std::span<std::uint8_t> array = host.array_bytes();
  Fill(record, kRecordPrivate, 0, pattern);
  Fill(record, kArrayHeaderPrivate, kArrayOffset, pattern);
  std::memset(record.data() + sizeof(StudyInterface), pattern,
              record.size() - sizeof(StudyInterface));
  Fill(record,
       kind == CallKind::kOrdinary ? std::span<const ByteRange>(kRecordDefaultsOnly)
                                   : std::span<const ByteRange>(kRecordDefaultsOutputs),
       0, pattern);
  const std::span<const ByteRange> unread = kind == CallKind::kOrdinary
                                                ? std::span<const ByteRange>(kSlotUnreadOnOrdinary)
                                                : std::span<const ByteRange>(kSlotUnreadOnDefaults);
  Fill(record, kSlotPrivate, kFallbackOffset, pattern);
  Fill(record, unread, kFallbackOffset, pattern);
  const std::size_t elements = ElementsOf(host);
  for (std::size_t element = 0; element < elements; ++element) {
    Fill(array, kSlotPrivate, element * sizeof(InputSlot), pattern);
    Fill(array, unread, element * sizeof(InputSlot), pattern);
  }
  const std::size_t array_end = elements * sizeof(InputSlot);
  if (array.size() > array_end) {
    std::memset(array.data() + array_end, pattern, array.size() - array_end);
  }
}

RecordImage TakeRecordImage(StandInHost& host) {
  RecordImage image;
  RetakeRecordImage(host, image);
  return image;
}

void RetakeRecordImage(StandInHost& host, RecordImage& image) {
  const std::span<std::uint8_t> record = host.record_bytes();
  const std::span<std::uint8_t> array = host.array_bytes();
  image.record.assign(record.begin(), record.end());
  image.array.assign(array.begin(), array.end());
}

RecordBytes CurrentRecordBytes(StandInHost& host) {
  return {host.record_bytes(), host.array_bytes()};
}

std::string FindForbiddenWrite(StandInHost& host, const RecordImage& before, RecordBytes after,
                               CallKind kind, const Declaration& declaration) {
  const DeclaredSlots slots = DeclaredSlotsIn(host, declaration);
  std::string found;
  ForChangedBytes(before.record, after.record, [&](std::size_t at) {
    if (WritableInRecord(at, kind, slots) || InstalledByHost(at, before, host)) return true;
    found = "changed " + RecordFieldWords(at, declaration);
    return false;
  });
  if (!found.empty()) return found;
  ForChangedBytes(before.array, after.array, [&](std::size_t at) {
    if (WritableInArray(at, kind, slots)) return true;
    found = "changed " + ArrayFieldWords(at, ElementsOf(host), declaration);
    return false;
  });
  return found;
}

std::string FirstChangedField(StandInHost& host, const RecordImage& before, RecordBytes after,
                              const Declaration& declaration) {
  std::string found;
  ForChangedBytes(before.record, after.record, [&](std::size_t at) {
    found = RecordFieldWords(at, declaration);
    return false;
  });
  if (!found.empty()) return found;
  ForChangedBytes(before.array, after.array, [&](std::size_t at) {
    found = ArrayFieldWords(at, ElementsOf(host), declaration);
    return false;
  });
  return found;
}

}  // namespace judge
