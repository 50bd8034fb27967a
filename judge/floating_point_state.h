// The floating-point control state a call must leave as it found it: the
// SSE control and status register's control bits (rounding, flush-to-zero,
// denormals-are-zero, exception masks), the x87 control word and the C
// rounding mode. The host keeps computing prices after a module returns; a
// module that changed them would change the host's arithmetic.
#pragma once

#include <cstdint>
#include <string>

namespace judge {

struct FloatingPointState {
  std::uint32_t mxcsr_control = 0;  // MXCSR without its sticky exception flags
  std::uint16_t x87_control = 0;    // the x87 control word
  int rounding = 0;                 // fegetround()

  bool operator==(const FloatingPointState&) const = default;
};

FloatingPointState CurrentFloatingPointState();
void SetFloatingPointState(const FloatingPointState& state);

// The state this process started with, taken before any module is loaded:
// the state the judge works out what a call must do in.
const FloatingPointState& StartUpFloatingPointState();

// What changed from `before` to `after`, in words and bits: "MXCSR 0x1f80
// became 0x9fc0 (flush-to-zero, denormals-are-zero)"; "" when nothing did.
std::string FloatingPointChange(const FloatingPointState& before, const FloatingPointState& after);

}  // namespace judge
