// The author credit this build was configured with, as the description must
// show it.
#pragma once

#include <string>

#include "judge/order_quantity_study/expected_declaration.h"
#include "study/credit_link_config.h"

inline std::string ConfiguredCredit() {
  return judge::ExpectedCreditAnchor(STUDY_CREDIT_ADDRESS, STUDY_CREDIT_NAME);
}
