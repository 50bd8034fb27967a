// Random calls: a host, the declared inputs at any value (now and then
// under any type code), flags, a position and texts, drawn from a source of
// choices. The tool's randomized run draws them from a seeded generator, the
// fuzzer from its input bytes.
#pragma once

#include <cstdint>

#include "host/stand_in_host.h"
#include "judge/declaration.h"

namespace judge {

// Where a random call's choices come from.
class Choices {
 public:
  virtual ~Choices() = default;
  // 64 bits to use as they are (a value's raw bytes).
  virtual std::uint64_t Bits() = 0;
  // A number from 0 to n - 1 (n > 0).
  virtual std::uint32_t Below(std::uint32_t n) = 0;
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }
};

// splitmix64's step: 64 bits that look unrelated to their neighbours'.
constexpr std::uint64_t kSplitMixIncrement = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t SplitMix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Choices from a seeded generator (splitmix64): the same seed, the same
// calls. Each random call seeds one of its own, so seeding costs nothing.
class SeededChoices final : public Choices {
 public:
  explicit SeededChoices(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Bits() override { return SplitMix(state_ += kSplitMixIncrement); }
  std::uint32_t Below(std::uint32_t n) override { return static_cast<std::uint32_t>(Bits() % n); }

 private:
  std::uint64_t state_;
};

// The host a random call is made in.
StandInHostOptions RandomHostOptions(Choices& choices);

// What a random call was, to name it when it goes wrong.
struct RandomCall {
  double position = 0;
  bool defaults = false;
  bool host_call_flag = false;
};

// Readies one random call in `host` (built with RandomHostOptions) of a
// study that declares `declaration`: the flags, the position, texts in the
// records, every slot's type code and value.
RandomCall PrepareRandomCall(StandInHost& host, const Declaration& declaration, Choices& choices);

}  // namespace judge
