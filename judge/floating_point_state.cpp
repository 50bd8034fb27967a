#include "judge/floating_point_state.h"

#include <cfenv>
#include <cstdio>
#include <vector>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define STUDY_X86_64 1
#endif

namespace judge {
namespace {

constexpr std::uint32_t kMxcsrFlags = 0x3F;  // sticky exception flags: the call may set them
constexpr std::uint32_t kMxcsrDenormalsAreZero = 1u << 6;
constexpr std::uint32_t kMxcsrMasks = 0x3Fu << 7;
constexpr std::uint32_t kMxcsrRounding = 3u << 13;
constexpr std::uint32_t kMxcsrFlushToZero = 1u << 15;
constexpr std::uint16_t kX87Masks = 0x3F;
constexpr std::uint16_t kX87Precision = 3u << 8;
constexpr std::uint16_t kX87Rounding = 3u << 10;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : ", ") + word;
  return joined;
}

// A register's bits, by what they control.
struct ControlBits {
  std::uint32_t mask;
  const char* name;
};
constexpr ControlBits kMxcsrBits[] = {
    {kMxcsrFlushToZero, "flush-to-zero"},
    {kMxcsrDenormalsAreZero, "denormals-are-zero"},
    {kMxcsrRounding, "rounding"},
    {kMxcsrMasks, "exception masks"},
};
constexpr ControlBits kX87Bits[] = {
    {kX87Precision, "precision"},
    {kX87Rounding, "rounding"},
    {kX87Masks, "exception masks"},
};

// "MXCSR 0x1f80 became 0x9fc0 (flush-to-zero, denormals-are-zero)".
template <std::size_t kCount>
std::string RegisterChange(const char* name, std::uint32_t before, std::uint32_t after,
                           const ControlBits (&bits)[kCount]) {
  std::vector<std::string> what;
  for (const ControlBits& part : bits) {
    if (((before ^ after) & part.mask) != 0) what.push_back(part.name);
  }
  if (what.empty()) what.push_back("reserved bits");
  return std::string(name) + " " + Hex(before) + " became " + Hex(after) + " (" + Joined(what) +
         ")";
}

std::string RoundingName(int rounding) {
  switch (rounding) {
    case FE_TONEAREST:
      return "to nearest";
    case FE_DOWNWARD:
      return "downward";
    case FE_UPWARD:
      return "upward";
    case FE_TOWARDZERO:
      return "toward zero";
    default:
      return std::to_string(rounding);
  }
}

}  // namespace

// On x86-64 the C rounding mode is the registers' rounding bits, read and
// set with them (the C library's own calls are slow under some runtimes).
FloatingPointState CurrentFloatingPointState() {
  FloatingPointState state;
#if defined(STUDY_X86_64)
  state.mxcsr_control = _mm_getcsr() & ~kMxcsrFlags;
  std::uint16_t control = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(control));
  state.x87_control = control;
  constexpr int kModes[] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
  state.rounding = kModes[(state.mxcsr_control & kMxcsrRounding) >> 13];
#else
  state.rounding = std::fegetround();
#endif
  return state;
}

void SetFloatingPointState(const FloatingPointState& state) {
#if defined(STUDY_X86_64)
  _mm_setcsr((_mm_getcsr() & kMxcsrFlags) | state.mxcsr_control);
  const std::uint16_t control = state.x87_control;
  __asm__ __volatile__("fldcw %0" : : "m"(control));
#else
  std::fesetround(state.rounding);
#endif
}

const FloatingPointState& StartUpFloatingPointState() {
  static const FloatingPointState start_up = CurrentFloatingPointState();
  return start_up;
}

// Taken while the program starts, before main and before any module loads.
[[maybe_unused]] static const FloatingPointState& start_up_taken = StartUpFloatingPointState();

std::string FloatingPointChange(const FloatingPointState& before, const FloatingPointState& after) {
  std::vector<std::string> changes;
  if (before.mxcsr_control != after.mxcsr_control) {
    changes.push_back(
        RegisterChange("MXCSR", before.mxcsr_control, after.mxcsr_control, kMxcsrBits));
  }
  if (before.x87_control != after.x87_control) {
    changes.push_back(
        RegisterChange("x87 control word", before.x87_control, after.x87_control, kX87Bits));
  }
  if (before.rounding != after.rounding) {
    changes.push_back("C rounding mode " + RoundingName(before.rounding) + " became " +
                      RoundingName(after.rounding));
  }
  return Joined(changes);
}

}  // namespace judge
