#include "tools/study-host/replay/session_file.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/tool_error.h"

namespace {

constexpr int kStandardInput = 0;

}  // namespace

bool NamesStandardInput(const std::string& path) {
  return path == "-" || path == "/dev/stdin";
}

std::string SessionName(const std::string& path) {
  return NamesStandardInput(path) ? "standard input" : path;
}

bool StandardInputIsTerminal() {
#if defined(_WIN32)
  return _isatty(kStandardInput) != 0;
#else
  return isatty(kStandardInput) != 0;
#endif
}

SessionFile::SessionFile(const std::string& path) {
  if (NamesStandardInput(path)) {
#if defined(_WIN32)
    _setmode(kStandardInput, _O_BINARY);
#endif
    descriptor_ = kStandardInput;
    return;
  }
  const FileStatus status = StatusOf(path);
  if (status.kind == FileKind::kDirectory) {
    throw ToolError(kExitSessionFile, path + ": a directory, not a session file");
  }
  descriptor_ = OpenForReading(path);
  if (descriptor_ < 0) {
    throw ToolError(kExitSessionFile, path + ": cannot open the session file (" +
                                          LastFileProblem("the spreadsheet") + ")");
  }
}

SessionFile::~SessionFile() {
  if (descriptor_ == kStandardInput) return;
#if defined(_WIN32)
  _close(descriptor_);
#else
  close(descriptor_);
#endif
}

std::ptrdiff_t SessionFile::Read(char* buffer, std::size_t size) {
  while (true) {
#if defined(_WIN32)
    const int got = _read(descriptor_, buffer, static_cast<unsigned>(size));
#else
    const ssize_t got = read(descriptor_, buffer, size);
#endif
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}
