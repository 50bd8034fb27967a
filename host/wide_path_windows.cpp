#include "host/wide_path_windows.h"

#include <windows.h>

std::wstring WidePath(const std::string& path) {
  const int size = static_cast<int>(path.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.data(), size, wide.data(), length);
  return wide;
}
