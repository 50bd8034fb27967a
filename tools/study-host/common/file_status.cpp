#include "tools/study-host/common/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

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

int OpenExistingForWriting(const std::string& path) {
#if defined(_WIN32)
  return _wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_BINARY);
#else
  return open(path.c_str(), O_WRONLY | O_CLOEXEC);
#endif
}

void CloseFile(int descriptor) {
#if defined(_WIN32)
  _close(descriptor);
#else
  close(descriptor);
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

bool PutFileInPlace(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  if (MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING) != 0) {
    return true;
  }
  _doserrno = GetLastError();  // for LastFileProblem, as the C runtime's own calls leave it
  errno = EACCES;
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool LastFileHeldOpen() {
#if defined(_WIN32)
  const unsigned long windows_error = _doserrno;
  return errno == EACCES &&
         (windows_error == ERROR_SHARING_VIOLATION || windows_error == ERROR_LOCK_VIOLATION);
#else
  return false;
#endif
}

std::string LastFileProblem(const std::string& likely_holder) {
  if (LastFileHeldOpen()) {
    return "another program, perhaps " + likely_holder + ", has it open: close it there";
  }
  return std::strerror(errno);
}

std::string WorkingFolderPath() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (error) return "";
#if defined(_WIN32)
  return Utf8FromWide(folder.wstring());
#else
  return folder.string();
#endif
}

std::string ToolFolder() {
  std::error_code error;
#if defined(_WIN32)
  wchar_t self[32768];
  const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
  if (length == 0 || length >= 32768) return "";
  return Utf8FromWide(std::filesystem::path(self).parent_path().wstring());
#else
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? "" : self.parent_path().string();
#endif
}

bool IsRelativePath(const std::string& path) {
#if defined(_WIN32)
  return std::filesystem::path(WideFromUtf8(path)).is_relative();
#else
  return std::filesystem::path(path).is_relative();
#endif
}

std::filesystem::path PathFromUtf8(const std::string& path) {
#if defined(_WIN32)
  return std::filesystem::path(WideFromUtf8(path));
#else
  return std::filesystem::path(path);
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path) {
#if defined(_WIN32)
  return Utf8FromWide(path.wstring());
#else
  return path.string();
#endif
}

std::string FileNameOf(const std::string& path) {
#if defined(_WIN32)
  const std::size_t separator = path.find_last_of("\\/");
#else
  const std::size_t separator = path.rfind('/');
#endif
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool CopyFileTo(const std::string& from, const std::filesystem::path& to) {
#if defined(_WIN32)
  // The system's copy holds no handle a child started meanwhile on another
  // thread could inherit (the C runtime's are inheritable): an inherited
  // handle open for writing keeps that child's own copy from loading.
  return CopyFileW(PathFromUtf8(from).c_str(), to.c_str(), FALSE) != 0;
#else
  std::error_code error;
  return std::filesystem::copy_file(PathFromUtf8(from), to,
                                    std::filesystem::copy_options::overwrite_existing, error);
#endif
}

#if defined(_WIN32)
std::string SystemFoldersOnly() {
  wchar_t windows[MAX_PATH] = {};
  wchar_t system[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  GetSystemDirectoryW(system, MAX_PATH);
  return Utf8FromWide(std::wstring(system) + L";" + windows + L";" + system + L"\\Wbem");
}
#endif
