// A session file opened for reading, by any path a user has (UTF-8, the
// wide calls on Windows), or the tool's standard input.
#pragma once

#include <cstddef>
#include <string>

// The name that stands for the tool's own standard input.
bool NamesStandardInput(const std::string& path);

// How messages and the chart name the session: "standard input" for the
// tool's own, else the path.
std::string SessionName(const std::string& path);

// Whether the tool's standard input is a terminal (a console window on
// Windows): positions typed there are not a session file.
bool StandardInputIsTerminal();

// A session file opened for reading, or standard input for "-" and
// "/dev/stdin"; throws ToolError (session file) when it cannot be opened or
// is a directory. A path is UTF-8, on Windows too.
class SessionFile {
 public:
  explicit SessionFile(const std::string& path);
  ~SessionFile();
  SessionFile(const SessionFile&) = delete;
  SessionFile& operator=(const SessionFile&) = delete;

  std::ptrdiff_t Read(char* buffer, std::size_t size);

 private:
  int descriptor_;
};
