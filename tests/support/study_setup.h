// Puts the study's six inputs of a stand-in host at the values a user sees
// after adding the study, with "Enabled" switched on, and names what the
// tests expect of the configured build.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "host/stand_in_host.h"
#include "judge/contract_inputs.h"
#include "judge/expected_declaration.h"
#include "study/credit_link_config.h"

struct StudySettings {
  bool enabled = true;
  std::int32_t flat_quantity = 4;
  std::int32_t in_trade_quantity = 1;
  bool scale_out = false;
  std::int32_t percentage = 50;
  bool round_down = false;
};

inline void ApplySettings(StandInHost& host, const StudySettings& settings) {
  host.SetFlag(judge::kEnabled, settings.enabled);
  host.SetInteger(judge::kFlatQuantity, settings.flat_quantity);
  host.SetInteger(judge::kInTradeQuantity, settings.in_trade_quantity);
  host.SetFlag(judge::kScaleOut, settings.scale_out);
  host.SetInteger(judge::kScaleOutPercentage, settings.percentage);
  host.SetFlag(judge::kRoundDown, settings.round_down);
}

// A quantity the module never writes, to tell "unchanged" from any write.
inline constexpr double kUntouchedQuantity = -12345.25;

inline bool QuantityUntouched(const StudyInterface& record) {
  return std::memcmp(&record.order_quantity, &kUntouchedQuantity, sizeof(double)) == 0;
}

// The author credit this build was configured with.
inline std::string ConfiguredCredit() {
  return judge::CreditAnchor(STUDY_CREDIT_ADDRESS, STUDY_CREDIT_NAME);
}
