// The host calls the study on threads of its own, whose stacks may be 1 MB
// or less. Each kind of call runs on such a thread, with the stack below it
// filled with a pattern first, so the deepest byte the call changed shows
// how much stack it used. A call that uses more than a study has any need
// of fails, named as stack use; one that overflows the thread's stack
// crashes, and the crash says it was a stack overflow.
#include <cstdint>
#include <string>

#include "host/address_sanitizer.h"
#include "host/host_thread.h"
#include "host/stand_in_host.h"
#include "host/thread_with_stack.h"
#include "judge/call_scenarios.h"
#include "tools/study-host/sandbox/child_process.h"
#include "tools/study-host/validate/stack_checks.h"

namespace {

constexpr std::size_t kMostStackOfACall = std::size_t{256} << 10;
constexpr std::size_t kFilled = std::size_t{900} << 10;  // below the call, within the stack
constexpr unsigned char kPattern = 0xA7;

// Fills kFilled bytes of the stack below the caller's frame with the
// pattern, and gives the address of the lowest of them.
[[gnu::noinline]] void FillStackBelow(std::uintptr_t& lowest) {
  volatile unsigned char area[kFilled];
  for (std::size_t at = 0; at < kFilled; ++at) area[at] = kPattern;
  lowest = reinterpret_cast<std::uintptr_t>(&area[0]);
}

// How far below `mark` the stack was changed since it was filled from
// `lowest` up.
[[gnu::noinline]] std::size_t UsedBelow(std::uintptr_t lowest, std::uintptr_t mark) {
  const auto* bytes = reinterpret_cast<const volatile unsigned char*>(lowest);
  std::size_t untouched = 0;
  while (lowest + untouched < mark && bytes[untouched] == kPattern) ++untouched;
  return mark - (lowest + untouched);
}

// The stack one call of `scenario` uses, measured on a host-sized thread.
std::size_t StackOfCall(const judge::CallScenario& scenario, const judge::JudgedStudy& study) {
  std::size_t used = 0;
  RunOnThreadWithStack(kHostThreadStackBytes, [&] {
    PrepareHostThread();
    PrepareThreadForCrash();
    StandInHost host(scenario.options);
    judge::PrepareScenario(host, scenario, study);
    std::uintptr_t lowest = 0;
    FillStackBelow(lowest);
    const auto mark = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    study(&host.record());
    used = UsedBelow(lowest, mark);
  });
  return used;
}

std::string KilobytesRoundedUp(std::size_t bytes) {
  return std::to_string((bytes + 1023) / 1024) + " KB";
}

}  // namespace

CheckResult CheckStackUse(const CheckContext& context) {
  if constexpr (kUnderAddressSanitizer) {
    return Skipped("this build cannot measure a call's stack (AddressSanitizer moves its frames)");
  }
  std::size_t deepest = 0;
  for (const judge::CallScenario& scenario : judge::CallScenarios()) {
    context.Announce(std::string("stack use: ") + scenario.name + ", on a 1 MB thread");
    const std::size_t used = StackOfCall(scenario, context.study());
    if (used > kMostStackOfACall) {
      return Failed("stack use: " + std::string(scenario.name) + " used " +
                    KilobytesRoundedUp(used) + " of stack, above the " +
                    KilobytesRoundedUp(kMostStackOfACall) +
                    " a call may use on a host's 1 MB thread");
    }
    if (used > deepest) deepest = used;
  }
  return Passed(std::to_string(judge::CallScenarios().size()) +
                " kinds of call on a 1 MB thread used at most " + KilobytesRoundedUp(deepest) +
                " of stack (a call may use " + KilobytesRoundedUp(kMostStackOfACall) + ")");
}
