// Watching the host's record across a call for writes a study must not make.
//
// A call may write only the fields its kind owns, by the host's rules: the
// defaults call the display name, the description, three host settings and,
// in the slots that stand for the inputs the study declares, their names,
// type codes, values and limits; an ordinary call only the order quantity.
// Every other byte of the record, of its input array and of the guard
// regions past both must come back as it went in. Before a call, the bytes
// no study has reason to read (host-private bytes, guard regions, fields
// that only the other kind of call writes, and those the call is about to
// write) are filled with a pattern, so that a stray write shows even when it
// writes zero or the value already there, and a write left out shows as the
// pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "host/stand_in_host.h"
#include "judge/declaration.h"

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

// The same into `image`, reusing its storage.
void RetakeRecordImage(StandInHost& host, RecordImage& image);

// A record's bytes and its array's, as an image holds them or as the host
// holds them now (a judged call compares what it returns with the host's
// own bytes rather than a copy of them).
struct RecordBytes {
  RecordBytes(const RecordImage& image) : record(image.record), array(image.array) {}
  RecordBytes(std::span<const std::uint8_t> record_bytes, std::span<const std::uint8_t> array_bytes)
      : record(record_bytes), array(array_bytes) {}
  std::span<const std::uint8_t> record;
  std::span<const std::uint8_t> array;
};

// The host's record and array as they are now, not copied.
RecordBytes CurrentRecordBytes(StandInHost& host);

// The first field that differs between an image of a host's record and
// its bytes now (or a later image), in words ("the order quantity (record
// byte 3344)"); "" when none does.
std::string FirstChangedField(StandInHost& host, const RecordImage& before, RecordBytes after,
                              const Declaration& declaration);

// The first field changed from `before` to `after` that a call of `kind`
// by a study declaring `declaration` may not write, as "changed host
// setting 176 (record byte 176)"; "" when none.
std::string FindForbiddenWrite(StandInHost& host, const RecordImage& before, RecordBytes after,
                               CallKind kind, const Declaration& declaration);

}  // namespace judge
