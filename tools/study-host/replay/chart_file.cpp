#include "tools/study-host/replay/chart_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

[[noreturn]] void CannotWrite(const std::string& path, int error) {
  throw ToolError(kExitOutput, path + ": cannot write the chart (" + std::strerror(error) +
                                   "); give --chart a file in a folder you can write to");
}

}  // namespace

bool NamesSvgFile(const std::string& path) {
  constexpr char kEnding[] = ".svg";
  constexpr std::size_t kLength = sizeof kEnding - 1;
  return path.size() > kLength && Lowercase(path.substr(path.size() - kLength)) == kEnding;
}

ChartFile::ChartFile(std::string path) : path_(std::move(path)) {
  if (StatusOf(path_).kind == FileKind::kDirectory) CannotWrite(path_, EISDIR);
  descriptor_ = OpenForWriting(path_);
  if (descriptor_ < 0) CannotWrite(path_, errno);
}

ChartFile::~ChartFile() {
  Close();
  if (!written_) RemoveFile(path_);
}

void ChartFile::Close() {
  if (descriptor_ < 0) return;
#if defined(_WIN32)
  _close(descriptor_);
#else
  close(descriptor_);
#endif
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
    if (wrote <= 0) CannotWrite(path_, wrote < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(wrote);
  }
  Close();
  written_ = true;
}
