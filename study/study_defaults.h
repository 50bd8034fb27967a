// The defaults call: the study's name, description, host settings and inputs.
#pragma once

#include "interface/study_interface.h"
#include "study/study_inputs.h"

// Names the study, writes its HTML description crediting `credit`, sets the
// three host settings and declares the six inputs in `slots`. Writes no
// quantity and queries no position.
void ApplyDefaults(StudyInterface& record, const StudySlots& slots, const StudyText& credit);
