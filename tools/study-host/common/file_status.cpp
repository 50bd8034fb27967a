#include "tools/study-host/common/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

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

int OpenForWriting(const std::string& path) {
#if defined(_WIN32)
  return _wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                _S_IREAD | _S_IWRITE);
#else
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
}

bool RemoveFile(const std::string& path) {
#if defined(_WIN32)
  return _wremove(WideFromUtf8(path).c_str()) == 0;
#else
  return std::remove(path.c_str()) == 0;
#endif
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
#if defined(_WIN32)
  const std::filesystem::path absolute = std::filesystem::absolute(WideFromUtf8(path), error);
  return error ? path : Utf8FromWide(absolute.wstring());
#else
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
#endif
}
