// What a defaults call declares in a stand-in host, checked the same way for
// the linked study and for the built module.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_text.h"
#include "host/stand_in_host.h"
#include "interface/input_conversions.h"
#include "study/credit_link_config.h"
#include "study/study_inputs.h"

inline const std::string kSentence =
    "<br><br>This Study Automatically Updates your Trade Window Order Quantity based on Flat vs "
    "Open positions.";
inline const std::string kAnchor =
    std::string("<a href = \"") + STUDY_CREDIT_ADDRESS + "\">" + STUDY_CREDIT_NAME + "</a>";

struct ExpectedInput {
  std::string name;
  std::uint8_t type_code;
  std::int32_t value;
};

inline const ExpectedInput kExpectedInputs[] = {
    {"Enabled", 5, 0},
    {"Position Qty While Flat", 11, 4},
    {"Position Qty During Trade", 11, 1},
    {"Scale Out of Position", 5, 0},
    {"Scale Out Percentage", 11, 50},
    {"Round Scale Out Quantity Down (default is up)", 5, 0},
};

inline void ExpectDeclaredInputs(StandInHost& host) {
  for (std::int32_t index = 0; index < kStudyInputCount; ++index) {
    SCOPED_TRACE(index);
    const InputSlot& slot = host.input(index);
    EXPECT_EQ(TextOf(slot.name), kExpectedInputs[index].name);
    EXPECT_EQ(slot.name.changed, 1);
    EXPECT_EQ(slot.type_code, kExpectedInputs[index].type_code);
    EXPECT_EQ(StoredInt32(slot), kExpectedInputs[index].value);
    const bool limited = index == kScaleOutPercentageInput;
    EXPECT_EQ(LimitValue(slot.lower_limit), limited ? 1 : 0);
    EXPECT_EQ(LimitValue(slot.upper_limit), limited ? 100 : 0);
  }
}

// Display name, description, host settings, inputs and input descriptions.
inline void ExpectDeclaredStudy(StandInHost& host) {
  const StudyInterface& record = host.record();
  EXPECT_EQ(TextOf(record.display_name), "zr: Palvessa");
  EXPECT_EQ(TextOf(record.description), "<b>zr: Palvessa</b> by " + kAnchor + kSentence);
  EXPECT_EQ(record.host_setting_892, 0);
  EXPECT_EQ(record.host_setting_16, 0);
  EXPECT_EQ(record.host_setting_176, 1);
  ExpectDeclaredInputs(host);
  const std::vector<DescriptionCall> expected_descriptions = {
      {0, "Enable or Disable the Study"},
      {1, "This is your default qty you want to enter a position with."},
      {2, "After your orders are filled, this is the NEW position qty."},
  };
  ASSERT_EQ(host.description_calls().size(), expected_descriptions.size());
  for (std::size_t i = 0; i < expected_descriptions.size(); ++i) {
    EXPECT_EQ(host.description_calls()[i].argument, expected_descriptions[i].argument);
    EXPECT_EQ(host.description_calls()[i].text, expected_descriptions[i].text);
  }
}
