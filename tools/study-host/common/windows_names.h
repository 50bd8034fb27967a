// File names Windows cannot give a file: a character it keeps for itself
// (the wildcards ? and *, the command window's | < >, a quote, a control
// character), a name it keeps for a device (con, prn, aux, nul, com1 to
// com9, lpt1 to lpt9, with any ending), or a folder's trailing backslash.
// Told before anything is done, naming what was found, rather than as the
// system's "Invalid argument" once a replay has run.
#pragma once

#include <string>

// What keeps `path` from naming a file Windows can have, in words that end
// with what to do (`what` names the file: "the chart", "the session file";
// `example` is a name such a file may have, "steps.svg"); "" when nothing
// does.
std::string WindowsNameProblem(const std::string& path, const std::string& what,
                               const std::string& example);
