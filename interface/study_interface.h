// The host's per-call record (interface version 2683) and the records inside
// it, as the module uses them.
//
// Little-endian, 64-bit pointers. Only the fields named here are read or
// written by the module; the reserved bytes between them belong to the host
// and are never touched. Every offset and size the host relies on is pinned by
// a static_assert below. Host services are plain function pointers; their
// results are never examined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "interface/study_text.h"

inline constexpr std::int32_t kHostInterfaceVersion = 2683;

struct PositionRecord;

// Host service: allocate the input array (argument: the allocation argument).
using AllocateInputSlotsService = std::int32_t (*)(std::int32_t allocation_argument);
// Host service: set an input's description (argument: the slot's description argument).
using SetInputDescriptionService = std::int32_t (*)(std::int32_t description_argument,
                                                    const char* description);
// Host service: fill a position record.
using PositionQueryService = std::int32_t (*)(PositionRecord* position);

// A 16-byte value or limit area of an input slot: only 4-byte aligned, so
// every value in it is read and written with memcpy.
using SlotArea = std::uint8_t[16];

template <typename Value>
inline Value ReadSlotArea(const SlotArea& area) {
  static_assert(sizeof(Value) <= sizeof(SlotArea), "fits the area");
  Value value;
  std::memcpy(&value, area, sizeof value);
  return value;
}

template <typename Value>
inline void WriteSlotArea(SlotArea& area, Value value) {
  static_assert(sizeof(Value) <= sizeof(SlotArea), "fits the area");
  std::memcpy(area, &value, sizeof value);
}

// Type codes of an input slot: how its value is stored. The module declares
// these two; the conversions read every code.
inline constexpr std::uint8_t kYesNoTypeCode = 5;     // int32, read as 0 or 1
inline constexpr std::uint8_t kIntegerTypeCode = 11;  // int32

// One study input. Array elements follow each other every 152 bytes.
struct InputSlot {
  StudyText name;          // 0: input name; host-owned value, written by the module on defaults
  std::uint8_t type_code;  // 24: how `value` is stored; written by the module on defaults
  std::uint8_t reserved_25[3];  // host-private
  SlotArea value;  // 28: int32, float32 or float64 by type code; host-written, module on defaults
  SlotArea lower_limit;  // 44: int32 lower limit of integer inputs; module writes it on defaults
  SlotArea upper_limit;  // 60: int32 upper limit of integer inputs; module writes it on defaults
  std::int32_t description_argument;           // 76: host-written, passed back to set_description
  std::uint8_t reserved_80[16];                // host-private
  SetInputDescriptionService set_description;  // 96: host service, may be null
  std::uint8_t reserved_104[48];               // host-private
};

static_assert(sizeof(InputSlot) == 152, "input slots are 152 bytes apart");
static_assert(offsetof(InputSlot, name) == 0, "name at 0");
static_assert(offsetof(InputSlot, type_code) == 24, "type code at 24");
static_assert(offsetof(InputSlot, value) == 28, "value area at 28");
static_assert(offsetof(InputSlot, lower_limit) == 44, "lower limit at 44");
static_assert(offsetof(InputSlot, upper_limit) == 60, "upper limit at 60");
static_assert(offsetof(InputSlot, description_argument) == 76, "description argument at 76");
static_assert(offsetof(InputSlot, set_description) == 96, "set-description service at 96");

// The record's inputs: the host's array, how to ask for it, and the slot used
// when no array element can be addressed.
struct InputSlotArray {
  InputSlot* data;             // +0: first element, or null until the host allocates; host-written
  std::uint8_t reserved_8[8];  // host-private
  AllocateInputSlotsService allocate;  // +16: host service, may be null
  std::int32_t allocation_argument;    // +24: host-written, passed to allocate
  std::uint8_t reserved_28[4];         // host-private
  std::int32_t count;                  // +32: number of elements at data; host-written
  std::uint8_t reserved_36[4];         // host-private
  InputSlot fallback;                  // +40: stands for every input when there is no array
};

static_assert(offsetof(InputSlotArray, data) == 0, "array data at +0");
static_assert(offsetof(InputSlotArray, allocate) == 16, "allocate service at +16");
static_assert(offsetof(InputSlotArray, allocation_argument) == 24, "allocation argument at +24");
static_assert(offsetof(InputSlotArray, count) == 32, "element count at +32");
static_assert(offsetof(InputSlotArray, fallback) == 40, "fallback slot at +40");
static_assert(sizeof(InputSlotArray) == 192, "input slot array spans 528 to 720");

// The host's per-call record, up to the last field the module uses.
struct StudyInterface {
  std::uint8_t reserved_0[16];          // host-private
  std::int32_t host_setting_16;         // 16: module writes 0 on defaults
  std::uint8_t reserved_20[88];         // host-private
  std::int32_t host_call_flag;          // 108: host-written; non-zero applies the in-trade quantity
  std::uint8_t reserved_112[60];        // host-private
  std::int32_t defaults_flag;           // 172: host-written; non-zero marks the defaults call
  std::int32_t host_setting_176;        // 176: module writes 1 on defaults
  std::uint8_t reserved_180[100];       // host-private
  StudyText display_name;               // 280: host-owned value, module writes it on defaults
  std::uint8_t reserved_304[224];       // host-private
  InputSlotArray input_slots;           // 528: host-owned inputs
  std::uint8_t reserved_720[104];       // host-private
  StudyText description;                // 824: host-owned HTML value, module writes it on defaults
  std::uint8_t reserved_848[44];        // host-private
  std::int32_t host_setting_892;        // 892: module writes 0 on defaults
  std::uint8_t reserved_896[1536];      // host-private
  PositionQueryService position_query;  // 2432: host service filling a PositionRecord
  std::uint8_t reserved_2440[904];      // host-private
  double order_quantity;                // 3344: trade-window order quantity; module writes it
};

static_assert(offsetof(StudyInterface, host_setting_16) == 16, "host setting 16");
static_assert(offsetof(StudyInterface, host_call_flag) == 108, "host call flag at 108");
static_assert(offsetof(StudyInterface, defaults_flag) == 172, "defaults flag at 172");
static_assert(offsetof(StudyInterface, host_setting_176) == 176, "host setting 176");
static_assert(offsetof(StudyInterface, display_name) == 280, "display name at 280");
static_assert(offsetof(StudyInterface, input_slots) == 528, "input slot array at 528");
static_assert(offsetof(StudyInterface, input_slots) + offsetof(InputSlotArray, allocate) == 544,
              "allocate service at 544");
static_assert(offsetof(StudyInterface, input_slots) +
                      offsetof(InputSlotArray, allocation_argument) ==
                  552,
              "allocation argument at 552");
static_assert(offsetof(StudyInterface, input_slots) + offsetof(InputSlotArray, count) == 560,
              "input count at 560");
static_assert(offsetof(StudyInterface, input_slots) + offsetof(InputSlotArray, fallback) == 568,
              "fallback slot at 568");
static_assert(offsetof(StudyInterface, description) == 824, "description at 824");
static_assert(offsetof(StudyInterface, host_setting_892) == 892, "host setting 892");
static_assert(offsetof(StudyInterface, position_query) == 2432, "position query at 2432");
static_assert(offsetof(StudyInterface, order_quantity) == 3344, "order quantity at 3344");
static_assert(sizeof(StudyInterface) == 3352, "record spans up to the order quantity");

// Filled by the host's position query; built by the module on its stack.
struct PositionRecord {
  std::int32_t leading_field;     // 0: module sets 12 before the query
  std::uint8_t reserved_4[4];     // zeroed by the module
  StudyText first_text;           // 8: module constructs it empty, host may place owned text
  double quantity;                // 32: host-written position quantity; 0 when flat
  std::uint8_t reserved_40[216];  // zeroed by the module
  StudyText second_text;          // 256: module constructs it empty, host may place owned text
  std::uint8_t reserved_280[40];  // zeroed by the module
};

static_assert(sizeof(PositionRecord) == 320, "position record is 320 bytes");
static_assert(offsetof(PositionRecord, leading_field) == 0, "leading field at 0");
static_assert(offsetof(PositionRecord, first_text) == 8, "first text at 8");
static_assert(offsetof(PositionRecord, quantity) == 32, "position quantity at 32");
static_assert(offsetof(PositionRecord, second_text) == 256, "second text at 256");

inline constexpr std::int32_t kPositionRecordLeadingValue = 12;
