#include "host/record_guard.h"

#include <cstddef>
#include <cstring>

namespace {

struct ByteRange {
  std::size_t offset;
  std::size_t size;
  bool Contains(std::size_t at) const { return at >= offset && at < offset + size; }
};

#define STUDY_FIELD(type, field)               \
  ByteRange {                                  \
    offsetof(type, field), sizeof(type::field) \
  }

// Host-private bytes, by the record layouts.
const ByteRange kRecordPrivate[] = {
    STUDY_FIELD(StudyInterface, reserved_0),    STUDY_FIELD(StudyInterface, reserved_20),
    STUDY_FIELD(StudyInterface, reserved_112),  STUDY_FIELD(StudyInterface, reserved_180),
    STUDY_FIELD(StudyInterface, reserved_304),  STUDY_FIELD(StudyInterface, reserved_720),
    STUDY_FIELD(StudyInterface, reserved_848),  STUDY_FIELD(StudyInterface, reserved_896),
    STUDY_FIELD(StudyInterface, reserved_2440),
};
const ByteRange kArrayPrivate[] = {
    STUDY_FIELD(InputSlotArray, reserved_8),
    STUDY_FIELD(InputSlotArray, reserved_28),
    STUDY_FIELD(InputSlotArray, reserved_36),
};
const ByteRange kSlotPrivate[] = {
    STUDY_FIELD(InputSlot, reserved_25),
    STUDY_FIELD(InputSlot, reserved_80),
    STUDY_FIELD(InputSlot, reserved_104),
};

// What a defaults call may write in each input slot.
const ByteRange kSlotDefaultsWritable[] = {
    STUDY_FIELD(InputSlot, name),        STUDY_FIELD(InputSlot, type_code),
    STUDY_FIELD(InputSlot, value),       STUDY_FIELD(InputSlot, lower_limit),
    STUDY_FIELD(InputSlot, upper_limit),
};
const ByteRange kRecordDefaultsWritable[] = {
    STUDY_FIELD(StudyInterface, host_setting_16),  STUDY_FIELD(StudyInterface, host_setting_176),
    STUDY_FIELD(StudyInterface, display_name),     STUDY_FIELD(StudyInterface, description),
    STUDY_FIELD(StudyInterface, host_setting_892),
};
const ByteRange kRecordOrdinaryWritable[] = {STUDY_FIELD(StudyInterface, order_quantity)};

#undef STUDY_FIELD

constexpr std::size_t kArrayOffset = offsetof(StudyInterface, input_slots);
constexpr std::size_t kFallbackOffset = kArrayOffset + offsetof(InputSlotArray, fallback);

template <std::size_t N>
bool InAny(const ByteRange (&ranges)[N], std::size_t at) {
  for (const ByteRange& range : ranges) {
    if (range.Contains(at)) return true;
  }
  return false;
}

void Fill(void* base, const ByteRange& range, std::uint8_t pattern) {
  std::memset(static_cast<std::uint8_t*>(base) + range.offset, pattern, range.size);
}

void FillSlotPrivate(InputSlot& slot, std::uint8_t pattern) {
  for (const ByteRange& range : kSlotPrivate) Fill(&slot, range, pattern);
}

bool SlotByteWritable(std::size_t at_in_slot, CallKind kind) {
  return kind == CallKind::kDefaults && InAny(kSlotDefaultsWritable, at_in_slot);
}

bool RecordByteWritable(std::size_t at, CallKind kind) {
  if (at >= kFallbackOffset && at < kFallbackOffset + sizeof(InputSlot)) {
    return SlotByteWritable(at - kFallbackOffset, kind);
  }
  return kind == CallKind::kDefaults ? InAny(kRecordDefaultsWritable, at)
                                     : InAny(kRecordOrdinaryWritable, at);
}

}  // namespace

void FillPrivateBytes(StandInHost& host, std::uint8_t pattern) {
  StudyInterface& record = host.record();
  for (const ByteRange& range : kRecordPrivate) Fill(&record, range, pattern);
  for (const ByteRange& range : kArrayPrivate) Fill(&record.input_slots, range, pattern);
  FillSlotPrivate(record.input_slots.fallback, pattern);
  if (host.has_array()) {
    for (std::int32_t index = 0; index < host.slot_count(); ++index) {
      FillSlotPrivate(record.input_slots.data[index], pattern);
    }
  }
}

RecordImage TakeRecordImage(StandInHost& host) {
  RecordImage image;
  const auto* record = reinterpret_cast<const std::uint8_t*>(&host.record());
  image.record.assign(record, record + sizeof(StudyInterface));
  if (host.has_array() && host.slot_count() > 0) {
    const auto* slots = reinterpret_cast<const std::uint8_t*>(host.record().input_slots.data);
    image.slots.assign(slots,
                       slots + sizeof(InputSlot) * static_cast<std::size_t>(host.slot_count()));
  }
  return image;
}

std::string FindForbiddenWrite(const RecordImage& before, const RecordImage& after, CallKind kind) {
  for (std::size_t at = 0; at < before.record.size(); ++at) {
    if (before.record[at] != after.record[at] && !RecordByteWritable(at, kind)) {
      return "record byte " + std::to_string(at) + " changed";
    }
  }
  if (before.slots.empty() || before.slots.size() != after.slots.size()) return "";
  for (std::size_t at = 0; at < before.slots.size(); ++at) {
    const std::size_t in_slot = at % sizeof(InputSlot);
    if (before.slots[at] != after.slots[at] && !SlotByteWritable(in_slot, kind)) {
      return "input slot " + std::to_string(at / sizeof(InputSlot)) + " byte " +
             std::to_string(in_slot) + " changed";
    }
  }
  return "";
}
