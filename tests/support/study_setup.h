// Puts the study's six inputs of a stand-in host at the values a user sees
// after adding the study, with "Enabled" switched on.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/stand_in_host.h"
#include "study/study_inputs.h"

struct StudySettings {
  bool enabled = true;
  std::int32_t flat_quantity = 4;
  std::int32_t in_trade_quantity = 1;
  bool scale_out = false;
  std::int32_t percentage = 50;
  bool round_down = false;
};

inline void ApplySettings(StandInHost& host, const StudySettings& settings) {
  host.SetFlag(kEnabledInput, settings.enabled);
  host.SetInteger(kFlatQuantityInput, settings.flat_quantity);
  host.SetInteger(kInTradeQuantityInput, settings.in_trade_quantity);
  host.SetFlag(kScaleOutInput, settings.scale_out);
  host.SetInteger(kScaleOutPercentageInput, settings.percentage);
  host.SetFlag(kRoundDownInput, settings.round_down);
}

// A quantity the module never writes, to tell "unchanged" from any write.
inline constexpr double kUntouchedQuantity = -12345.25;

inline bool QuantityUntouched(const StudyInterface& record) {
  return std::memcmp(&record.order_quantity, &kUntouchedQuantity, sizeof(double)) == 0;
}
