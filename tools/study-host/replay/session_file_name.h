// The session file a trader means, found as file managers leave names: a
// name given without its ending (session for session.csv, session.txt or
// session.CSV), a file whose name has a blank at its end, a folder beside a
// file of the same name and an ending. A name no Windows file can have is
// refused (on Windows always; elsewhere when no such file is there).
#pragma once

#include <string>

struct SessionFileFound {
  std::string path;  // the file to read, or the name given for standard input
  std::string note;  // why it is not the name given, for the user; "" when it is
};

// Throws ToolError: usage for a name no Windows file can have, session file
// when several files could be the one meant (each named).
SessionFileFound FindSessionFile(const std::string& named);
