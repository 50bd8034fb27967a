#include "judge/record_fields.h"

#include <cstddef>
#include <iterator>

#include "judge/declaration_lint.h"

namespace judge {
namespace {

struct NamedRange {
  std::size_t offset;
  std::size_t size;
  const char* words;  // "the order quantity"; null: host-private
};

#define STUDY_FIELD(type, field, words)               \
  NamedRange {                                        \
    offsetof(type, field), sizeof(type::field), words \
  }

constexpr NamedRange kTextFields[] = {
    STUDY_FIELD(StudyText, text, "text pointer"),
    STUDY_FIELD(StudyText, owned, "owned flag"),
    STUDY_FIELD(StudyText, changed, "changed flag"),
    STUDY_FIELD(StudyText, empty, "empty-string pointer"),
};

constexpr NamedRange kSlotFields[] = {
    STUDY_FIELD(InputSlot, name, "name"),
    STUDY_FIELD(InputSlot, type_code, "type code"),
    STUDY_FIELD(InputSlot, value, "value"),
    STUDY_FIELD(InputSlot, lower_limit, "lower limit"),
    STUDY_FIELD(InputSlot, upper_limit, "upper limit"),
    STUDY_FIELD(InputSlot, description_argument, "description argument"),
    STUDY_FIELD(InputSlot, set_description, "set-description service pointer"),
};

constexpr NamedRange kRecordFields[] = {
    STUDY_FIELD(StudyInterface, host_setting_16, "host setting 16"),
    STUDY_FIELD(StudyInterface, host_call_flag, "the host call flag"),
    STUDY_FIELD(StudyInterface, defaults_flag, "the defaults flag"),
    STUDY_FIELD(StudyInterface, host_setting_176, "host setting 176"),
    STUDY_FIELD(StudyInterface, display_name, "the display name"),
    STUDY_FIELD(StudyInterface, input_slots, "the input array"),
    STUDY_FIELD(StudyInterface, description, "the description"),
    STUDY_FIELD(StudyInterface, host_setting_892, "host setting 892"),
    STUDY_FIELD(StudyInterface, position_query, "the position query service pointer"),
    STUDY_FIELD(StudyInterface, order_quantity, "the order quantity"),
};

constexpr NamedRange kArrayFields[] = {
    STUDY_FIELD(InputSlotArray, data, "the input array pointer"),
    STUDY_FIELD(InputSlotArray, allocate, "the allocate service pointer"),
    STUDY_FIELD(InputSlotArray, allocation_argument, "the allocation argument"),
    STUDY_FIELD(InputSlotArray, count, "the input count"),
    STUDY_FIELD(InputSlotArray, fallback, "the fallback slot"),
};

#undef STUDY_FIELD

template <std::size_t N>
const NamedRange* RangeAt(const NamedRange (&ranges)[N], std::size_t offset) {
  for (const NamedRange& range : ranges) {
    if (offset >= range.offset && offset < range.offset + range.size) return &range;
  }
  return nullptr;
}

// A part of a text, as "the owned flag of the display name".
std::string TextFieldWords(const std::string& text, std::size_t offset) {
  const NamedRange* part = RangeAt(kTextFields, offset);
  return std::string("the ") + (part != nullptr ? part->words : "text value") + " of " + text;
}

// The field of a slot, as "the lower limit of <whose>".
std::string SlotFieldWords(std::size_t offset, const std::string& whose) {
  const NamedRange* field = RangeAt(kSlotFields, offset);
  if (field == nullptr) return "a host-private byte of " + whose;
  if (field->offset == offsetof(InputSlot, name)) {
    return TextFieldWords("the name of " + whose, offset - field->offset);
  }
  return std::string("the ") + field->words + " of " + whose;
}

std::string SlotOwner(std::size_t element, const Declaration& declaration) {
  if (element < declaration.inputs.size()) {
    const DeclaredInput& input = declaration.inputs[element];
    return InputWords(input.index, input.name);
  }
  return "slot " + std::to_string(element) + " (no input of the study's)";
}

std::string FallbackOwner(const Declaration& declaration) {
  return "the fallback slot (which stands for every input when there is no array" +
         std::string(declaration.inputs.empty() ? "" : ", here the last one declared") + ")";
}

std::string InArrayWords(std::size_t offset, const Declaration& declaration) {
  const NamedRange* field = RangeAt(kArrayFields, offset);
  if (field == nullptr) return "a host-private byte of the input array's header";
  if (field->offset == offsetof(InputSlotArray, fallback)) {
    return SlotFieldWords(offset - field->offset, FallbackOwner(declaration));
  }
  return field->words;
}

}  // namespace

std::string RecordFieldWords(std::size_t offset, const Declaration& declaration) {
  const std::string byte = " (record byte " + std::to_string(offset) + ")";
  if (offset >= sizeof(StudyInterface)) return "the host's memory just past the record" + byte;
  const NamedRange* field = RangeAt(kRecordFields, offset);
  if (field == nullptr) return "a host-private byte of the record" + byte;
  const std::size_t within = offset - field->offset;
  if (field->offset == offsetof(StudyInterface, display_name) ||
      field->offset == offsetof(StudyInterface, description)) {
    return TextFieldWords(field->words, within) + byte;
  }
  if (field->offset == offsetof(StudyInterface, input_slots)) {
    return InArrayWords(within, declaration) + byte;
  }
  return field->words + byte;
}

std::string ArrayFieldWords(std::size_t offset, std::size_t elements,
                            const Declaration& declaration) {
  const std::string byte = " (input array byte " + std::to_string(offset) + ")";
  const std::size_t element = offset / sizeof(InputSlot);
  if (element >= elements) return "the host's memory just past its input array" + byte;
  return SlotFieldWords(offset % sizeof(InputSlot), SlotOwner(element, declaration)) + byte;
}

}  // namespace judge
