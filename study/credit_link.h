// The author credit in the study's description: one HTML anchor,
//   <a href = "ADDRESS">NAME</a>
// built on the process heap when the module loads and released when it
// unloads. Read-only in between.
#pragma once

#include "interface/study_text.h"

// The anchor as configured at build time.
const char* ConfiguredCreditAnchor();

// The module's credit. Empty when the heap had no block for it at load.
const StudyText& CreditLink();

// Builds `credit` (an empty, unowned value) from `anchor`: an exact-size
// zeroed block holding the anchor, owned and changed; left empty with both
// flags 0 when the heap has no block.
void BuildCreditLink(StudyText& credit, const char* anchor);
