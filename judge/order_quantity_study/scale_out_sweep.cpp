#include "judge/order_quantity_study/scale_out_sweep.h"

#include <cmath>

#include "judge/floating_point_state.h"
#include "judge/order_quantity_study/expected_quantity.h"
#include "judge/order_quantity_study/study_inputs.h"

namespace judge {

std::vector<double> SweepPositions() {
  std::vector<double> sizes;
  for (int quarters = 1; quarters <= 4 * kLargestSweptSize; ++quarters) {
    sizes.push_back(quarters / 4.0);
  }
  for (int power = 0; power <= kLargestSweptPowerOfTwo; ++power) {
    const double two_to_the = std::ldexp(1.0, power);
    for (const double size :
         {two_to_the - 1, two_to_the - 0.25, two_to_the, two_to_the + 0.25, two_to_the + 1}) {
      if (size > kLargestSweptSize) sizes.push_back(size);
    }
  }
  std::vector<double> positions;
  positions.reserve(2 * sizes.size());
  for (const double size : sizes) {
    positions.push_back(size);
    positions.push_back(-size);
  }
  return positions;
}

std::optional<SweepMismatch> SweepScaleOut(
    StandInHost& host, StudyFunction study,
    const std::function<void(const std::string&)>& announce) {
  const std::vector<double> positions = SweepPositions();
  for (const bool round_down : {false, true}) {
    for (std::int32_t percentage = 1; percentage <= 100; ++percentage) {
      announce("scaling out at " + std::to_string(percentage) + " % rounding " +
               (round_down ? "down" : "up"));
      ApplyStudySettings(host.record(),
                         {.scale_out = true, .percentage = percentage, .round_down = round_down});
      for (const double position : positions) {
        host.set_position(position);
        host.MarkQuantityUnwritten();
        host.CallOrdinary(study);
        if (CurrentFloatingPointState() != StartUpFloatingPointState()) {
          SetFloatingPointState(StartUpFloatingPointState());  // the rules' arithmetic, unaltered
        }
        const std::int32_t expected = ExpectedScaleOut(position, percentage, round_down);
        const double written = host.record().order_quantity;
        if (!host.QuantityWritten()) {
          return SweepMismatch{position, percentage, round_down, std::nullopt, expected};
        }
        if (written != expected) {
          return SweepMismatch{position, percentage, round_down, written, expected};
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace judge
