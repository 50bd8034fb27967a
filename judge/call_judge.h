// One call of a study judged as a whole by the host's rules, and by the
// study's own rule on top when the tool knows one: the bytes it changed in
// the host's record, the services it called, the position record it built,
// what it declared and what it wrote. The tool's checks, the fuzzers and
// the tests all judge calls here.
#pragma once

#include <cstdint>
#include <string>

#include "host/stand_in_host.h"
#include "interface/study_interface.h"
#include "judge/judged_study.h"
#include "judge/record_guard.h"

namespace judge {

// What a run of judged calls reuses from one call to the next: the copy of
// the record each call takes before it runs (a fresh one for every call is
// most of a long run's cost under the sanitizers).
struct CallScratch {
  RecordImage before;
};

// Makes one call of `study` in `host` (a defaults call when the record's
// defaults flag is set, else an ordinary one) with every byte it neither
// reads nor may write filled with `pattern` and the order quantity marked
// unwritten, then judges it. Returns "" when the call did all it must and
// nothing it must not, else the first fault. With `outcome`, also says what
// the call did as the host sees it (see CallOutcome), so the same call made
// again can be held to it; with `scratch`, reuses its storage.
std::string MakeJudgedCall(StandInHost& host, const JudgedStudy& study, std::uint8_t pattern,
                           std::string* outcome = nullptr, CallScratch* scratch = nullptr);

// The same call judged for stray writes only: "" when it changed nothing
// outside what its kind may write.
std::string MakeWatchedCall(StandInHost& host, const JudgedStudy& study, std::uint8_t pattern);

// "" when `position` is built as a study must build it before the query:
// leading field 12, both texts empty and unowned, every other byte zero.
std::string JudgePositionRecord(const PositionRecord& position);

// What a call just made in `host` did, as the host sees it: what it wrote
// (texts by their text, not their address), what it asked of the services.
// Two calls of one study in hosts alike must come to the same.
std::string CallOutcome(const StandInHost& host, bool defaults);

}  // namespace judge
