#include "tools/study-host/validate/check_context.h"

#include <cstdio>

#include "host/capability_calls.h"
#include "judge/floating_point_state.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/sandbox/own_output.h"

namespace {

constexpr std::size_t kQuoted = 80;

}  // namespace

const judge::JudgedStudy& CheckContext::study() const {
  if (!judged_study) {
    const StudyModule& module = session->module();
    Announce("the defaults calls that read the study's declaration");
    judged_study = judge::JudgeStudy(module.study_name, module.study);
  }
  return *judged_study;
}

void CheckContext::Announce(const std::string& phase) const {
  ThrowIfBeyondItsCalls();
  session->Announce(phase);
}

void CheckContext::ThrowIfBeyondItsCalls() const {
  const std::vector<std::string> uses = capability_calls::TakeUses();
  if (!uses.empty()) {
    std::string named;
    for (const std::string& use : uses) named += (named.empty() ? "" : "; ") + Escaped(use);
    throw BeyondItsCalls{named +
                         " (a study reads no environment, file or standard input, changes no "
                         "file, uses no network, starts no process or thread and loads no "
                         "library)"};
  }
  const std::uint64_t now = OwnOutputBytes();
  const std::uint64_t elsewhere = output_before_load + session->output_at_load_and_unload();
  if (now <= elsewhere) return;
  const std::uint64_t logged = now - elsewhere;
  const std::uint64_t quoted = logged < kQuoted ? logged : kQuoted;
  throw BeyondItsCalls{std::string(kLoggedPrefix) + "during its calls: " +
                       Counted(static_cast<long long>(logged), "byte", "bytes") +
                       " of output, ending \"" +
                       Escaped(OwnOutputAt(now - quoted, static_cast<std::size_t>(quoted))) +
                       "\" (a study writes none)"};
}

std::string CheckContext::ProcessChanges(CensusScope scope) const {
  return CensusChangeWords(census_before_load, CensusWithFloatingPointState(), scope);
}

ProcessCensus CensusWithFloatingPointState() {
  ProcessCensus census = TakeProcessCensus();
  const judge::FloatingPointState state = judge::CurrentFloatingPointState();
  char words[96];
  std::snprintf(words, sizeof words, "MXCSR 0x%x, x87 control word 0x%x, C rounding mode %d",
                state.mxcsr_control, state.x87_control, state.rounding);
  census.Add(CensusKind::kCallingThread, "floating-point control state", words);
  return census;
}
