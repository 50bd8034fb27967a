// Fuzzes the study function: a host record decoded from the input (input
// count, array, services, type codes and values, flags, position, texts the
// host placed) and one call, judged against what the study must do, with
// every heap block accounted for.
#include <cstdio>
#include <cstdlib>

#include "byte_reader.h"
#include "host/host_text.h"
#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/edge_calls.h"
#include "judge/record_guard.h"
#include "platform/counting_heap.h"
#include "study/study_exports.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "study call went wrong: %s\n", what.c_str());
  std::abort();
}

double DecodePosition(ByteReader& in) {
  const std::uint8_t choice = in.Byte();
  if (choice < 128) return judge::kEdgePositions[choice % std::size(judge::kEdgePositions)];
  return in.Raw<double>();
}

StandInHostOptions DecodeOptions(ByteReader& in) {
  StandInHostOptions options;
  options.slot_count = static_cast<std::int32_t>(in.Below(10));
  options.array = static_cast<ArrayDelivery>(in.Below(3));
  const std::uint8_t services = in.Byte();
  options.allocate_service = (services & 1) == 0;
  options.set_description_service = (services & 2) == 0;
  options.position_query_service = (services & 4) == 0;
  return options;
}

void DecodeSlot(ByteReader& in, InputSlot& slot) {
  slot.type_code = in.Byte();
  in.Bytes(slot.value, sizeof slot.value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const counting_heap::Counts heap_before = counting_heap::Snapshot();
  ByteReader in(data, size);
  {
    const StandInHostOptions options = DecodeOptions(in);
    StandInHost host(options);
    const std::int8_t forced_count = static_cast<std::int8_t>(in.Byte());
    if (host.has_array() && forced_count < -64) host.record().input_slots.count = forced_count + 64;
    const bool defaults = in.Below(8) == 0;
    const bool host_call_flag = in.Below(6) == 0;
    host.set_position(DecodePosition(in));
    host.record().defaults_flag = defaults ? in.Byte() | 1 : 0;
    host.record().host_call_flag = host_call_flag ? in.Byte() | 1 : 0;
    const std::uint8_t texts = in.Byte();
    if ((texts & 3) != 0) {
      host.set_position_texts((texts & 1) ? "first host text" : "", (texts & 2) ? "second" : "",
                              (texts & 4) == 0);
    }
    if ((texts & 8) != 0) PlaceHostText(host.record().display_name, "older name");
    if ((texts & 16) != 0) PlaceHostText(host.record().description, "older description");
    for (std::int32_t index = 0; index < options.slot_count && host.has_array(); ++index) {
      DecodeSlot(in, host.input(index));
    }
    DecodeSlot(in, host.record().input_slots.fallback);
    const std::uint8_t pattern = judge::kFillPatterns[in.Below(std::size(judge::kFillPatterns))];
    const std::string fault = judge::MakeJudgedCall(host, scsf_zrPalvessa, pattern);
    if (!fault.empty()) Fail(fault);
  }
  const counting_heap::Counts heap_after = counting_heap::Snapshot();
  if (heap_after.live_blocks != heap_before.live_blocks) Fail("heap blocks leaked");
  if (heap_after.unknown_frees != heap_before.unknown_frees) Fail("double or foreign free");
  return 0;
}
