// An input's value as the host stores it and a study reads it: what each
// type code stores, what the host's users know it as, the slot that stands
// for an input, and a slot's value read as an integer or a yes/no flag for
// every type code. Worked out here on its own, so a study's code is checked
// against it rather than against itself.
#pragma once

#include <cstdint>
#include <string>

#include "interface/study_interface.h"

namespace judge {

// What a type code's value area holds.
enum class ValueStorage {
  kInt32,    // an int32 at the start of the value area
  kFloat32,  // a float at the start
  kFloat64,  // a double at the start (only 4-byte aligned)
  kNothing,  // nothing a study can read
};

// How a host's users know a type code's inputs.
enum class ValueMeaning {
  kWholeNumber,
  kYesNo,
  kNumber,     // a number with decimals
  kDate,       // days
  kTimeOfDay,  // the fraction of a day
  kDateTime,   // days and the fraction of a day
  kNoValue,    // a code that stores nothing a study reads
  kUndefined,  // a code the interface does not define
};

struct TypeCode {
  ValueStorage storage;
  ValueMeaning meaning;
};

// What `code` stores and means; codes above the highest defined one are
// undefined (and store nothing).
TypeCode TypeCodeOf(std::uint8_t code);

// The highest type code the interface defines.
inline constexpr std::uint8_t kHighestTypeCode = 25;

// "whole number", "yes/no", "decimal number (single precision)", ...,
// "whole number (type code 4)", "no value (type code 7)", "undefined type
// code 200".
std::string TypeCodeName(std::uint8_t code);

// The slot standing for input `index` in the record as it is (no service is
// called): with no array or a count of 0 or less the fallback slot, past the
// end the last element.
const InputSlot& SlotForInput(const StudyInterface& record, std::int32_t index);
InputSlot& SlotForInput(StudyInterface& record, std::int32_t index);

// A slot's stored value read as an integer, and as 0 or 1. Values without an
// int32 reading (not a number, out of range) give the smallest integer of
// the width they are converted to.
std::int32_t InputAsInteger(const InputSlot& slot);
std::int32_t InputAsFlag(const InputSlot& slot);

// The value a slot stores, as a number (0 for codes that store nothing).
double StoredNumber(std::uint8_t code, const SlotArea& value);

// Stores `number` in `value` as `code` stores it: rounded half away from
// zero and held to the int32 range for integer codes.
void StoreNumber(std::uint8_t code, double number, SlotArea& value);

// The value as a host's users read it: "yes", "12", "2.5", "18:00:00",
// "day 45292", "-" for codes that store nothing.
std::string ValueText(std::uint8_t code, const SlotArea& value);

}  // namespace judge
