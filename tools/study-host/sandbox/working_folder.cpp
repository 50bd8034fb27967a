#include "tools/study-host/sandbox/working_folder.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <random>
#include <system_error>

namespace {

constexpr int kTries = 16;

std::string RandomName() {
  std::random_device device;
  return "study-host-work-" + std::to_string(device()) + std::to_string(device());
}

}  // namespace

#if defined(_WIN32)
std::wstring WindowsTemp() {
  wchar_t windows[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return L"";
  return std::wstring(windows, length) + L"\\Temp\\";
}
#endif

WorkingFolder::WorkingFolder() {
  std::error_code error;
  std::vector<std::filesystem::path> temporary;
  const std::filesystem::path chosen = std::filesystem::temp_directory_path(error);
  if (!error) temporary.push_back(chosen);
#if defined(_WIN32)
  temporary.emplace_back(WindowsTemp());  // when TMP and TEMP name no usable folder
#else
  temporary.emplace_back("/tmp");  // when TMPDIR names no usable folder
#endif
  for (const std::filesystem::path& folder : temporary) {
    for (int attempt = 0; attempt < kTries; ++attempt) {
      const std::filesystem::path candidate = folder / RandomName();
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
    }
  }
}

WorkingFolder::~WorkingFolder() {
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::vector<std::string> WorkingFolder::Contents() const {
  std::vector<std::string> contents;
  if (path_.empty()) return contents;
  std::error_code error;
  for (auto entry = std::filesystem::recursive_directory_iterator(path_, error);
       !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
    const std::u8string relative =
        std::filesystem::relative(entry->path(), path_, error).generic_u8string();
    contents.emplace_back(relative.begin(), relative.end());  // UTF-8 inside the tool
  }
  return contents;
}
