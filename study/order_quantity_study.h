// The study: keeps the host's trade-window order quantity in step with the
// position the host reports.
#pragma once

#include <cstdint>

#include "interface/study_interface.h"
#include "study/study_inputs.h"

// Order quantity for an open position when scaling out: `percentage` of the
// position's size, rounded up (or down), never below 1. A position of one unit
// or less, or a result that is not a number, gives 1; a result beyond the
// int32 range gives the largest int32.
std::int32_t ScaleOutQuantity(double position, std::int32_t percentage, std::int32_t round_down);

// One call of the study function: locate the inputs, then declare the
// defaults (crediting CreditLink) or update the order quantity.
void RunStudy(StudyInterface& record);
