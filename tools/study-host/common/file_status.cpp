#include "tools/study-host/common/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>

#include "tools/study-host/common/wide_text.h"
#endif

FileStatus StatusOf(const std::string& path) {
  FileStatus status;
#if defined(_WIN32)
  struct _stat64 found {};
  const int asked = _wstat64(WideFromUtf8(path).c_str(), &found);
#else
  struct stat found {};
  const int asked = stat(path.c_str(), &found);
#endif
  if (asked != 0) {
    status.problem = std::strerror(errno);
  } else if (S_ISDIR(found.st_mode)) {
    status.kind = FileKind::kDirectory;
  } else if (S_ISREG(found.st_mode)) {
    status.kind = FileKind::kRegular;
  } else {
    status.kind = FileKind::kOther;
  }
  return status;
}

int OpenForReading(const std::string& path) {
#if defined(_WIN32)
  return _wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY);
#else
  return open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}
