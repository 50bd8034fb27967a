// Watching the host's record across a call for writes the study must not make.
//
// A call may write only the fields its kind owns: the defaults call the
// display name, the description, three host settings and, in the slots that
// stand for its inputs, their names, type codes, int32 values and the int32
// limits of the limited input; an ordinary call only the order quantity.
// Every other byte of the record, of its input array and of the guard regions
// past both must come back as it went in. Before a call, the bytes the study
// has no reason to read (host-private bytes, guard regions, fields that only
// the other kind of call writes, and those the call is about to write) are
// filled with a pattern, so that a stray write shows even when it writes zero
// or the value already there, and a write left out shows as the pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "host/stand_in_host.h"

namespace judge {

enum class CallKind { kDefaults, kOrdinary };

// The fill patterns; checks vary them between calls, so no module happens to
// write the one in use.
inline constexpr std::uint8_t kFillPatterns[] = {0xA5, 0x5A, 0xC3};

// The pattern for the n-th call of a run: each in turn.
inline std::uint8_t FillPatternFor(std::size_t call) {
  return kFillPatterns[call % std::size(kFillPatterns)];
}

// Fills the bytes a call of `kind` does not read.
void FillUnreadBytes(StandInHost& host, CallKind kind, std::uint8_t pattern);

struct RecordImage {
  std::vector<std::uint8_t> record;  // the record and its guard region
  std::vector<std::uint8_t> array;   // the host's input array and its guard region
};

RecordImage TakeRecordImage(StandInHost& host);

// The first byte that differs between two images of one host, as "record
// byte 2447" or "input array byte 12"; "" when none does.
std::string FirstChangedByte(const RecordImage& before, const RecordImage& after);

// The first byte changed from `before` to `after` that a call of `kind` may
// not write, as "record byte 3352 changed" (offset from the record's start)
// or "input array byte 160 (element 1, byte 8) changed"; "" when none.
std::string FindForbiddenWrite(StandInHost& host, const RecordImage& before,
                               const RecordImage& after, CallKind kind);

}  // namespace judge
