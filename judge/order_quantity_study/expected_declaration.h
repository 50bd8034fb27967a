// What the study must declare on the host's defaults call: its display name,
// an HTML description crediting its author, three host settings and six
// inputs. Kept apart from the study's own declaration, which is checked
// against it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/stand_in_host.h"
#include "interface/study_interface.h"
#include "judge/order_quantity_study/study_inputs.h"

namespace judge {

inline constexpr char kExpectedModuleName[] = "zrPalvessa";
// The export name of its study function.
inline constexpr char kExpectedStudyFunction[] = "scsf_zrPalvessa";
// The name a Windows DLL's export directory gives the module.
inline constexpr char kExpectedModuleFile[] = "zrPalvessa_64.dll";
inline constexpr char kExpectedDisplayName[] = "zr: Palvessa";
inline constexpr char kExpectedSentence[] =
    "<br><br>This Study Automatically Updates your Trade Window Order Quantity based on Flat vs "
    "Open positions.";

struct ExpectedInput {
  const char* name;
  const char* description;  // null: the input has none
  std::uint8_t type_code;
  std::int32_t default_value;
};

extern const ExpectedInput kExpectedInputs[kInputCount];

// The one input with limits.
inline constexpr std::int32_t kLimitedInput = kScaleOutPercentage;
inline constexpr std::int32_t kExpectedLowerLimit = 1;
inline constexpr std::int32_t kExpectedUpperLimit = 100;

// The host settings the defaults call writes, in the order it writes them.
struct ExpectedSetting {
  std::int32_t StudyInterface::*field;
  const char* name;
  std::int32_t value;
};
inline constexpr ExpectedSetting kExpectedSettings[] = {
    {&StudyInterface::host_setting_892, "host setting 892", 0},
    {&StudyInterface::host_setting_16, "host setting 16", 0},
    {&StudyInterface::host_setting_176, "host setting 176", 1},
};

// The author credit: <a href = "ADDRESS">NAME</a>.
std::string ExpectedCreditAnchor(const std::string& address, const std::string& name);

// "" when the defaults call just made in `host` declared everything as it
// must, else the first difference. `credit` is the exact anchor expected in
// the description; without it any anchor of the credit's form (or none) is
// accepted, since another build may credit someone else.
std::string JudgeDeclaration(const StandInHost& host,
                             const std::optional<std::string>& credit = std::nullopt);

}  // namespace judge
