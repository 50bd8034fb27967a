// Watching the host record across a call for writes a module must not make.
//
// A module may write only the fields its call kind owns: on the defaults call
// the display name, description, three host settings and the inputs' names,
// type codes, values and limits; on an ordinary call the order quantity.
// Every other byte of the record and of its input slots must come back as
// it went in, host-private bytes included (they are filled with a pattern
// first, so that a stray zero shows too).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/stand_in_host.h"

enum class CallKind { kDefaults, kOrdinary };

// Fills the host-private bytes of the record and of its input slots.
void FillPrivateBytes(StandInHost& host, std::uint8_t pattern);

struct RecordImage {
  std::vector<std::uint8_t> record;  // the StudyInterface bytes
  std::vector<std::uint8_t> slots;   // the input array's bytes (empty without an array)
};

RecordImage TakeRecordImage(StandInHost& host);

// The first byte changed outside what a call of `kind` may write, described
// ("record byte 300 (host-private)"), or "" when there is none. The array is
// compared only when present in both images.
std::string FindForbiddenWrite(const RecordImage& before, const RecordImage& after, CallKind kind);
