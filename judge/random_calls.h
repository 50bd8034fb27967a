// Random calls: a host, the declared inputs at any value (now and then
// under any type code), flags, a position and texts, drawn from a source of
// choices. The tool's randomized run draws them from a seeded generator, the
// fuzzer from its input bytes.
#pragma once

#include <cstdint>
#include <random>

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

// Choices from a seeded generator: the same seed, the same calls.
class SeededChoices final : public Choices {
 public:
  explicit SeededChoices(std::uint64_t seed) : engine_(seed) {}
  std::uint64_t Bits() override { return engine_(); }
  std::uint32_t Below(std::uint32_t n) override {
    return static_cast<std::uint32_t>(engine_() % n);
  }

 private:
  std::mt19937_64 engine_;
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
