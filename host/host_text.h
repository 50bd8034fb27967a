// Text values as the stand-in host builds them: its own read-only empty
// string, storage on the heap it shares with the module.
#pragma once

#include <string>

#include "interface/study_text.h"

// The host's read-only empty string, distinct from the module's.
inline constexpr char kHostEmptyText[1] = "";

// An empty, unowned value constructed by the host.
constexpr StudyText MakeHostText() {
  return {kHostEmptyText, 0, 0, kHostEmptyText};
}

// Gives `value` an owned copy of `text` on the shared heap, releasing what it
// owned before; `owned_flag` is the non-zero value the owned field gets (any
// non-zero value means owned). Returns false (value left empty) when the
// heap has no block.
bool PlaceHostText(StudyText& value, const char* text, std::int32_t owned_flag = 1);

// Releases owned text the way the host does at the end of a value's life.
void ReleaseHostText(StudyText& value);

// The value's text as a std::string (null reads as empty).
std::string TextOf(const StudyText& value);
