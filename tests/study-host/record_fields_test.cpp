// The words a judge gives a changed byte of the host's record or input
// array: each field by name, at its first and last byte and the bytes
// around it, never a byte offset alone.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "judge/declaration.h"
#include "judge/record_fields.h"

namespace {

judge::Declaration TwoInputs() {
  judge::Declaration declaration;
  for (const char* name : {"Enabled", "Flat"}) {
    judge::DeclaredInput input;
    input.index = static_cast<std::int32_t>(declaration.inputs.size());
    input.name = name;
    input.named = true;
    declaration.inputs.push_back(input);
  }
  return declaration;
}

struct FieldCase {
  std::size_t byte;
  const char* words;
};

TEST(RecordFieldsTest, NamesEveryByteOfTheRecordByItsField) {
  const std::string fallback =
      "the fallback slot (which stands for every input when there is no array, here the last "
      "one declared)";
  const FieldCase cases[] = {
      {0, "a host-private byte of the record (record byte 0)"},
      {15, "a host-private byte of the record (record byte 15)"},
      {16, "host setting 16 (record byte 16)"},
      {19, "host setting 16 (record byte 19)"},
      {20, "a host-private byte of the record (record byte 20)"},
      {108, "the host call flag (record byte 108)"},
      {172, "the defaults flag (record byte 172)"},
      {176, "host setting 176 (record byte 176)"},
      {179, "host setting 176 (record byte 179)"},
      {280, "the text pointer of the display name (record byte 280)"},
      {288, "the owned flag of the display name (record byte 288)"},
      {292, "the changed flag of the display name (record byte 292)"},
      {303, "the empty-string pointer of the display name (record byte 303)"},
      {304, "a host-private byte of the record (record byte 304)"},
      {528, "the input array pointer (record byte 528)"},
      {536, "a host-private byte of the input array's header (record byte 536)"},
      {544, "the allocate service pointer (record byte 544)"},
      {552, "the allocation argument (record byte 552)"},
      {560, "the input count (record byte 560)"},
      {564, "a host-private byte of the input array's header (record byte 564)"},
      {824, "the text pointer of the description (record byte 824)"},
      {892, "host setting 892 (record byte 892)"},
      {2432, "the position query service pointer (record byte 2432)"},
      {2443, "a host-private byte of the record (record byte 2443)"},
      {3344, "the order quantity (record byte 3344)"},
      {3351, "the order quantity (record byte 3351)"},
      {3352, "the host's memory just past the record (record byte 3352)"},
  };
  const judge::Declaration declaration = TwoInputs();
  for (const FieldCase& c : cases) {
    EXPECT_EQ(judge::RecordFieldWords(c.byte, declaration), c.words) << "record byte " << c.byte;
  }
  // The fallback slot inside the record, named for the inputs it stands for.
  const FieldCase fallback_cases[] = {
      {568, "the text pointer of the name of "}, {592, "the type code of "},
      {593, "a host-private byte of "},          {596, "the value of "},
      {719, "a host-private byte of "},
  };
  for (const FieldCase& c : fallback_cases) {
    EXPECT_EQ(judge::RecordFieldWords(c.byte, declaration),
              c.words + fallback + " (record byte " + std::to_string(c.byte) + ")");
  }
  EXPECT_EQ(judge::RecordFieldWords(596, judge::Declaration{}),
            "the value of the fallback slot (which stands for every input when there is no "
            "array) (record byte 596)");
}

TEST(RecordFieldsTest, NamesEveryByteOfTheInputArrayByItsSlotAndField) {
  const FieldCase cases[] = {
      {0, "the text pointer of the name of input 0 'Enabled' (input array byte 0)"},
      {12, "the changed flag of the name of input 0 'Enabled' (input array byte 12)"},
      {24, "the type code of input 0 'Enabled' (input array byte 24)"},
      {25, "a host-private byte of input 0 'Enabled' (input array byte 25)"},
      {76, "the description argument of input 0 'Enabled' (input array byte 76)"},
      {151, "a host-private byte of input 0 'Enabled' (input array byte 151)"},
      {180, "the value of input 1 'Flat' (input array byte 180)"},
      {195, "the value of input 1 'Flat' (input array byte 195)"},
      {196, "the lower limit of input 1 'Flat' (input array byte 196)"},
      {212, "the upper limit of input 1 'Flat' (input array byte 212)"},
      {400,
       "the set-description service pointer of slot 2 (no input of the study's) (input array "
       "byte 400)"},
      {455, "a host-private byte of slot 2 (no input of the study's) (input array byte 455)"},
      {456, "the host's memory just past its input array (input array byte 456)"},
  };
  const judge::Declaration declaration = TwoInputs();
  for (const FieldCase& c : cases) {
    EXPECT_EQ(judge::ArrayFieldWords(c.byte, 3, declaration), c.words) << "array byte " << c.byte;
  }
}

}  // namespace
