#include "judge/order_quantity_study/order_quantity_rule.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "judge/input_values.h"
#include "judge/number_words.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "judge/order_quantity_study/expected_quantity.h"
#include "judge/order_quantity_study/scale_out_edges.h"
#include "judge/order_quantity_study/scale_out_sweep.h"
#include "judge/order_quantity_study/study_inputs.h"

namespace judge {
namespace {

// One allocate call per lookup while the record has no array: six, unless
// the first call supplies it.
std::int32_t ExpectedAllocateCalls(const StandInHostOptions& options, bool had_array) {
  if (had_array || !options.allocate_service) return 0;
  if (options.array == ArrayDelivery::kOnAllocate && options.slot_count > 0) return 1;
  return kInputCount;
}

std::string JudgeAllocateCalls(const StandInHost& host, const CallFacts& facts) {
  const std::int32_t expected = ExpectedAllocateCalls(host.options(), facts.had_array);
  if (host.allocate_calls() == expected) return "";
  return std::to_string(host.allocate_calls()) + " allocate calls, expected " +
         std::to_string(expected);
}

std::string WrittenQuantityText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string JudgeQuantity(const std::optional<std::int32_t>& expected, const StandInHost& host) {
  const double written = host.record().order_quantity;
  if (!expected) {
    return host.QuantityWritten() ? "wrote " + WrittenQuantityText(written) + ", expected nothing"
                                  : "";
  }
  if (!host.QuantityWritten()) return "wrote no quantity, expected " + std::to_string(*expected);
  if (written != static_cast<double>(*expected)) {
    return "wrote " + WrittenQuantityText(written) + ", expected " + std::to_string(*expected);
  }
  return "";
}

bool BytesHoldPattern(const std::uint8_t* bytes, std::size_t size, std::uint8_t pattern) {
  for (std::size_t at = 0; at < size; ++at) {
    if (bytes[at] != pattern) return false;
  }
  return true;
}

// The study writes an int32 default in each value area and the limits of
// its one limited input, nothing more of those areas.
std::string JudgeAreasLeftAlone(const StandInHost& host, std::uint8_t pattern) {
  const InputSlot& limited = SlotForInput(host.record(), kScaleOutPercentage);
  constexpr std::size_t kInt32 = sizeof(std::int32_t);
  for (std::int32_t input = 0; input < kInputCount; ++input) {
    const InputSlot& slot = SlotForInput(host.record(), input);
    const std::size_t limit_written = &slot == &limited ? kInt32 : 0;
    if (!BytesHoldPattern(slot.value + kInt32, sizeof(SlotArea) - kInt32, pattern) ||
        !BytesHoldPattern(slot.lower_limit + limit_written, sizeof(SlotArea) - limit_written,
                          pattern) ||
        !BytesHoldPattern(slot.upper_limit + limit_written, sizeof(SlotArea) - limit_written,
                          pattern)) {
      return "the slot of input " + std::to_string(input) +
             " holds more than an int32 value and the percentage's limits";
    }
  }
  return "";
}

}  // namespace

std::string_view OrderQuantityRule::study_function() const {
  return kExpectedStudyFunction;
}

std::string_view OrderQuantityRule::module_name() const {
  return kExpectedModuleName;
}

std::string_view OrderQuantityRule::module_file() const {
  return kExpectedModuleFile;
}

std::string OrderQuantityRule::JudgeDefaultsCall(const StandInHost& host,
                                                 const CallFacts& facts) const {
  if (host.position_queries() != 0) return "queried the position on the defaults call";
  std::string fault = JudgeAllocateCalls(host, facts);
  if (fault.empty()) fault = JudgeDeclaration(host, credit_);
  if (fault.empty()) fault = JudgeAreasLeftAlone(host, facts.pattern);
  return fault;
}

std::string OrderQuantityRule::JudgeOrdinaryCall(const StandInHost& host,
                                                 const CallFacts& facts) const {
  std::string fault = JudgeAllocateCalls(host, facts);
  if (!fault.empty()) return fault;
  const OrdinaryCallExpectation expected = ExpectOrdinaryCall(host.record(), host.position());
  const std::int32_t queries = expected.queries_position ? 1 : 0;
  if (host.position_queries() != queries) {
    return std::to_string(host.position_queries()) + " position queries, expected " +
           std::to_string(queries);
  }
  return JudgeQuantity(expected.quantity, host);
}

std::vector<StudyRule::EdgeCall> OrderQuantityRule::OwnEdgeCalls() const {
  std::vector<EdgeCall> calls;
  for (const ScaleOutEdge& edge : ScaleOutEdges()) {
    const std::string words =
        "position " + NumberWords(edge.position) +
        (edge.scale_out ? ", scaling out at " + std::to_string(edge.percentage) + " % " +
                              (edge.round_down ? "down" : "up")
                        : std::string(", in trade"));
    calls.push_back({words, [edge](StandInHost& host) {
                       ApplyStudySettings(host.record(), {.scale_out = edge.scale_out,
                                                          .percentage = edge.percentage,
                                                          .round_down = edge.round_down});
                       host.set_position(edge.position);
                     }});
  }
  return calls;
}

std::string OrderQuantityRule::SweepOwnRule(
    StandInHost& host, void (*study)(StudyInterface*),
    const std::function<void(const std::string&)>& announce) const {
  const std::optional<SweepMismatch> mismatch = SweepScaleOut(host, study, announce);
  if (!mismatch) return "";
  const std::string written =
      mismatch->written ? "wrote " + NumberWords(*mismatch->written) : std::string("wrote nothing");
  return "position " + NumberWords(mismatch->position) + ", scaling out at " +
         std::to_string(mismatch->percentage) + " % rounding " +
         (mismatch->round_down ? "down" : "up") + ": " + written + ", expected " +
         std::to_string(mismatch->expected);
}

std::string OrderQuantityRule::OwnSweepSummary() const {
  return std::to_string(SweepPositions().size() * 200) +
         " calls: sizes to 10,000 in quarters and around powers of two, both signs, every "
         "percentage, both roundings";
}

const OrderQuantityRule& KnownOrderQuantityRule() {
  static const OrderQuantityRule rule;
  return rule;
}

}  // namespace judge
