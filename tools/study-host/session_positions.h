// The positions a replay feeds the study, from the command line or from a
// session file.
#pragma once

#include <string>
#include <vector>

// "0,3,-3,0": comma-separated positions. Throws ToolError (usage) on an empty
// list or an entry that is not a number.
std::vector<double> ParsePositionList(const std::string& list);

// A session file in CSV: blank lines and lines starting with '#' are skipped;
// the first other line is a header naming the columns, one of them
// "position"; every following line has as many fields as the header. Throws
// ToolError (session file) naming the file and line of the first fault.
std::vector<double> ParseSessionText(const std::string& text, const std::string& file_name);

// Reads and parses a session file; throws ToolError (session file).
std::vector<double> ReadSessionFile(const std::string& path);
