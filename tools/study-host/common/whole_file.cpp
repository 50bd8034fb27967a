#include "tools/study-host/common/whole_file.h"

#include <cerrno>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/interruption.h"
#include "tools/study-host/common/tool_error.h"

namespace {

std::string TemporaryNameFor(const std::string& path) {
#if defined(_WIN32)
  const int process = _getpid();
#else
  const int process = static_cast<int>(getpid());
#endif
  return path + "." + std::to_string(process) + ".partial";
}

}  // namespace

WholeFile::WholeFile(std::string path, WholeFileWords words)
    : path_(std::move(path)), words_(std::move(words)), temporary_(TemporaryNameFor(path_)) {
  const FileKind kind = StatusOf(path_).kind;
  if (kind == FileKind::kDirectory) {
    errno = EISDIR;
    CannotWrite();
  }
  // An older file that could not be replaced is said now, not after the
  // work; it is left as it is.
  if (kind == FileKind::kRegular) {
    const int existing = OpenExistingForWriting(path_);
    if (existing < 0) CannotWrite();
    CloseFile(existing);
  }
  descriptor_ = OpenForWriting(temporary_);
  if (descriptor_ < 0) CannotWrite();
}

WholeFile::~WholeFile() {
  Close();
  if (!placed_) RemoveFile(temporary_);
}

void WholeFile::CannotWrite() const {
  const bool held = LastFileHeldOpen();
  const std::string problem = LastFileProblem(words_.likely_holder);
  throw ToolError(kExitOutput,
                  path_ + ": cannot write " + words_.what + " (" + problem + ")" +
                      (held ? ", or give " + words_.option + " another name"
                            : "; give " + words_.option + " a file in a folder you can write to"));
}

void WholeFile::Close() {
  if (descriptor_ < 0) return;
  CloseFile(descriptor_);
  descriptor_ = -1;
}

void WholeFile::Write(const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
#if defined(_WIN32)
    const int wrote =
        _write(descriptor_, content.data() + done, static_cast<unsigned>(content.size() - done));
#else
    const ssize_t wrote = write(descriptor_, content.data() + done, content.size() - done);
#endif
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      CannotWrite();
    }
    done += static_cast<std::size_t>(wrote);
  }
  Close();
  ThrowIfInterrupted();  // stopped: the older file stays
  if (!PutFileInPlace(temporary_, path_)) CannotWrite();
  placed_ = true;
}
