#include "tools/study-host/replay/chart_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/interruption.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

// Who may hold a chart open.
constexpr char kLikelyHolder[] = "an image viewer or editor";

[[noreturn]] void CannotWrite(const std::string& path) {
  const bool held = LastFileHeldOpen();
  const std::string problem = LastFileProblem(kLikelyHolder);
  throw ToolError(kExitOutput, path + ": cannot write the chart (" + problem + ")" +
                                   (held ? ", or give --chart another name"
                                         : "; give --chart a file in a folder you can write to"));
}

std::string TemporaryNameFor(const std::string& path) {
#if defined(_WIN32)
  const int process = _getpid();
#else
  const int process = static_cast<int>(getpid());
#endif
  return path + "." + std::to_string(process) + ".partial";
}

}  // namespace

bool NamesSvgFile(const std::string& path) {
  constexpr char kEnding[] = ".svg";
  constexpr std::size_t kLength = sizeof kEnding - 1;
  return path.size() > kLength && Lowercase(path.substr(path.size() - kLength)) == kEnding;
}

ChartFile::ChartFile(std::string path)
    : path_(std::move(path)), temporary_(TemporaryNameFor(path_)) {
  const FileKind kind = StatusOf(path_).kind;
  if (kind == FileKind::kDirectory) {
    errno = EISDIR;
    CannotWrite(path_);
  }
  // An older chart that could not be replaced is said now, not after the
  // replay; it is left as it is.
  if (kind == FileKind::kRegular) {
    const int existing = OpenExistingForWriting(path_);
    if (existing < 0) CannotWrite(path_);
    CloseFile(existing);
  }
  descriptor_ = OpenForWriting(temporary_);
  if (descriptor_ < 0) CannotWrite(path_);
}

ChartFile::~ChartFile() {
  Close();
  if (!placed_) RemoveFile(temporary_);
}

void ChartFile::Close() {
  if (descriptor_ < 0) return;
  CloseFile(descriptor_);
  descriptor_ = -1;
}

void ChartFile::Write(const std::string& svg) {
  std::size_t done = 0;
  while (done < svg.size()) {
#if defined(_WIN32)
    const int wrote =
        _write(descriptor_, svg.data() + done, static_cast<unsigned>(svg.size() - done));
#else
    const ssize_t wrote = write(descriptor_, svg.data() + done, svg.size() - done);
#endif
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      CannotWrite(path_);
    }
    done += static_cast<std::size_t>(wrote);
  }
  Close();
  ThrowIfInterrupted();  // stopped: the older chart stays
  if (!PutFileInPlace(temporary_, path_)) CannotWrite(path_);
  placed_ = true;
}
