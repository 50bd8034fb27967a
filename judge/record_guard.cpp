#include "judge/record_guard.h"

#include <cstddef>
#include <cstring>
#include <span>

#include "judge/contract_inputs.h"
#include "judge/expected_declaration.h"

namespace judge {
namespace {

struct ByteRange {
  std::size_t offset;
  std::size_t size;
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

// What the defaults call writes in the record, and in a slot it declares.
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
    STUDY_FIELD_PART(InputSlot, value, 0, sizeof(std::int32_t)),
};
constexpr ByteRange kSlotLimitWrites[] = {
    STUDY_FIELD_PART(InputSlot, lower_limit, 0, sizeof(std::int32_t)),
    STUDY_FIELD_PART(InputSlot, upper_limit, 0, sizeof(std::int32_t)),
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
// calls the limits and the value area beyond the float64 the widest type
// code reads.
constexpr ByteRange kSlotUnreadOnDefaults[] = {
    STUDY_FIELD(InputSlot, type_code),
    STUDY_FIELD(InputSlot, value),
    STUDY_FIELD(InputSlot, lower_limit),
    STUDY_FIELD(InputSlot, upper_limit),
};
constexpr ByteRange kSlotUnreadOnOrdinary[] = {
    STUDY_FIELD_PART(InputSlot, name, offsetof(StudyText, changed), kTextWritten),
    STUDY_FIELD_PART(InputSlot, value, sizeof(double), sizeof(SlotArea)),
    STUDY_FIELD(InputSlot, lower_limit),
    STUDY_FIELD(InputSlot, upper_limit),
};

#undef STUDY_FIELD
#undef STUDY_FIELD_PART

constexpr std::size_t kFallbackOffset = kArrayOffset + offsetof(InputSlotArray, fallback);

template <typename Apply>
void ForRanges(std::span<const ByteRange> ranges, std::size_t base, Apply apply) {
  for (const ByteRange& range : ranges) apply(base + range.offset, range.size);
}

void Fill(std::span<std::uint8_t> bytes, std::span<const ByteRange> ranges, std::size_t base,
          std::uint8_t pattern) {
  ForRanges(ranges, base, [&](std::size_t at, std::size_t size) {
    std::memset(bytes.data() + at, pattern, size);
  });
}

void Mark(std::vector<bool>& writable, std::span<const ByteRange> ranges, std::size_t base) {
  ForRanges(ranges, base, [&](std::size_t at, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) writable[at + i] = true;
  });
}

// Every slot of the host: the fallback (as an offset into the record) and
// the array elements (as offsets into the array).
struct SlotOffsets {
  std::size_t fallback = kFallbackOffset;
  std::vector<std::size_t> elements;
};

SlotOffsets SlotsOf(const StandInHost& host) {
  SlotOffsets slots;
  const std::size_t count = host.options().array == ArrayDelivery::kNever
                                ? 0
                                : static_cast<std::size_t>(std::max(host.slot_count(), 0));
  for (std::size_t element = 0; element < count; ++element) {
    slots.elements.push_back(element * sizeof(InputSlot));
  }
  return slots;
}

struct WritableBytes {
  std::vector<bool> record;
  std::vector<bool> array;
};

// Where a slot the study reached lies: in the record (the fallback) or in
// the host's array.
void MarkSlot(WritableBytes& writable, StandInHost& host, const InputSlot& slot,
              std::span<const ByteRange> ranges) {
  const auto* address = reinterpret_cast<const std::uint8_t*>(&slot);
  const std::span<std::uint8_t> record = host.record_bytes();
  const std::span<std::uint8_t> array = host.array_bytes();
  if (address >= record.data() && address < record.data() + record.size()) {
    Mark(writable.record, ranges, static_cast<std::size_t>(address - record.data()));
  } else if (address >= array.data() && address < array.data() + array.size()) {
    Mark(writable.array, ranges, static_cast<std::size_t>(address - array.data()));
  }
}

WritableBytes WritableIn(StandInHost& host, CallKind kind) {
  WritableBytes writable{std::vector<bool>(host.record_bytes().size()),
                         std::vector<bool>(host.array_bytes().size())};
  if (kind == CallKind::kOrdinary) {
    Mark(writable.record, kRecordOrdinaryWrites, 0);
    return writable;
  }
  Mark(writable.record, kRecordDefaultsWrites, 0);
  for (std::int32_t input = 0; input < kInputCount; ++input) {
    MarkSlot(writable, host, SlotForInput(host.record(), input), kSlotDefaultsWrites);
  }
  MarkSlot(writable, host, SlotForInput(host.record(), kLimitedInput), kSlotLimitWrites);
  return writable;
}

// The array's data pointer and count, written by the host's allocate
// service when it supplies the array during a call.
void AllowArrayInstalledByHost(WritableBytes& writable, const RecordImage& before,
                               StandInHost& host) {
  const std::size_t data = kArrayOffset + offsetof(InputSlotArray, data);
  void* before_data = nullptr;
  std::memcpy(&before_data, before.record.data() + data, sizeof before_data);
  if (before_data != nullptr || !host.has_array()) return;
  Mark(writable.record,
       std::initializer_list<ByteRange>{
           {data, sizeof(InputSlot*)},
           {kArrayOffset + offsetof(InputSlotArray, count), sizeof(std::int32_t)},
       },
       0);
}

std::string ArrayByteText(std::size_t at, std::size_t element_count) {
  const std::size_t element = at / sizeof(InputSlot);
  if (element >= element_count) {
    return "input array byte " + std::to_string(at) + " (past its last element)";
  }
  return "input array byte " + std::to_string(at) + " (element " + std::to_string(element) +
         ", byte " + std::to_string(at % sizeof(InputSlot)) + ")";
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
  const SlotOffsets slots = SlotsOf(host);
  Fill(record, kSlotPrivate, slots.fallback, pattern);
  Fill(record, unread, slots.fallback, pattern);
  for (std::size_t element : slots.elements) {
    Fill(array, kSlotPrivate, element, pattern);
    Fill(array, unread, element, pattern);
  }
  const std::size_t array_end = slots.elements.size() * sizeof(InputSlot);
  if (array.size() > array_end) {
    std::memset(array.data() + array_end, pattern, array.size() - array_end);
  }
}

RecordImage TakeRecordImage(StandInHost& host) {
  const std::span<std::uint8_t> record = host.record_bytes();
  const std::span<std::uint8_t> array = host.array_bytes();
  return {{record.begin(), record.end()}, {array.begin(), array.end()}};
}

std::string FindForbiddenWrite(StandInHost& host, const RecordImage& before,
                               const RecordImage& after, CallKind kind) {
  WritableBytes writable = WritableIn(host, kind);
  AllowArrayInstalledByHost(writable, before, host);
  for (std::size_t at = 0; at < before.record.size(); ++at) {
    if (before.record[at] != after.record[at] && !writable.record[at]) {
      return "record byte " + std::to_string(at) + " changed";
    }
  }
  for (std::size_t at = 0; at < before.array.size(); ++at) {
    if (before.array[at] != after.array[at] && !writable.array[at]) {
      return ArrayByteText(at, SlotsOf(host).elements.size()) + " changed";
    }
  }
  return "";
}

std::string FirstChangedByte(const RecordImage& before, const RecordImage& after) {
  for (std::size_t at = 0; at < before.record.size() && at < after.record.size(); ++at) {
    if (before.record[at] != after.record[at])
      return "record byte " + std::to_string(at) + " changed";
  }
  for (std::size_t at = 0; at < before.array.size() && at < after.array.size(); ++at) {
    if (before.array[at] != after.array[at]) {
      return "input array byte " + std::to_string(at) + " changed";
    }
  }
  return "";
}

}  // namespace judge
