// Fuzzes the study function: a random call (host, inputs under any type
// code, flags, position, texts the host placed) whose choices are the
// input's bytes, judged against what the study must do, with every heap
// block accounted for.
#include <cstdio>
#include <cstdlib>

#include "byte_reader.h"
#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/judged_study.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "judge/random_calls.h"
#include "judge/record_guard.h"
#include "platform/counting_heap.h"
#include "study/study_exports.h"

namespace {

// Our study, judged by its own rule on top of the host's.
const judge::JudgedStudy& OurStudy() {
  static const judge::JudgedStudy study =
      judge::JudgeStudy(judge::kExpectedStudyFunction, &scsf_zrPalvessa);
  return study;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "study call went wrong: %s\n", what.c_str());
  std::abort();
}

// A random call's choices taken from the fuzzer's bytes, one byte for a
// small choice.
class ByteChoices final : public judge::Choices {
 public:
  explicit ByteChoices(ByteReader& in) : in_(in) {}
  std::uint64_t Bits() override { return in_.Raw<std::uint64_t>(); }
  std::uint32_t Below(std::uint32_t n) override {
    return n <= 256 ? in_.Below(n) : in_.Raw<std::uint32_t>() % n;
  }

 private:
  ByteReader& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const judge::JudgedStudy& study = OurStudy();  // read once, before the heap is counted
  const counting_heap::Counts heap_before = counting_heap::Snapshot();
  ByteReader in(data, size);
  ByteChoices choices(in);
  {
    StandInHost host(judge::RandomHostOptions(choices));
    judge::PrepareRandomCall(host, study.declaration, choices);
    const std::string fault = judge::MakeJudgedCall(host, study, judge::FillPatternFor(in.Byte()));
    if (!fault.empty()) Fail(fault);
  }
  const counting_heap::Counts heap_after = counting_heap::Snapshot();
  if (heap_after.live_blocks != heap_before.live_blocks) Fail("heap blocks leaked");
  if (heap_after.unknown_frees != heap_before.unknown_frees) Fail("double or foreign free");
  return 0;
}
