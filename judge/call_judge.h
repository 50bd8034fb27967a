// One call of the study judged as a whole: the bytes it changed in the
// host's record, the services it called, the position record it built, the
// declaration a defaults call makes and the quantity an ordinary call writes.
// The tool's checks, the study-function fuzzer and the tests all judge calls
// here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/stand_in_host.h"
#include "interface/study_interface.h"

namespace judge {

using StudyFunction = void (*)(StudyInterface*);

// Makes one call of `study` in `host` (a defaults call when the record's
// defaults flag is set, else an ordinary one) with every byte it neither
// reads nor may write filled with `pattern` and the order quantity marked
// unwritten, then judges it. Returns "" when
// the call did all it must and nothing it must not, else the first fault.
// `credit` is the description's expected credit (see JudgeDeclaration).
std::string MakeJudgedCall(StandInHost& host, StudyFunction study, std::uint8_t pattern,
                           const std::optional<std::string>& credit = std::nullopt);

// The same call judged for stray writes only: "" when it changed nothing
// outside what its kind may write.
std::string MakeWatchedCall(StandInHost& host, StudyFunction study, std::uint8_t pattern);

// "" when `position` is built as the study must build it before the query:
// leading field 12, both texts empty and unowned, every other byte zero.
std::string JudgePositionRecord(const PositionRecord& position);

}  // namespace judge
