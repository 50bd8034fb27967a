// Loading a shared library (dlopen, or LoadLibrary on Windows) and resolving
// its symbols, with the loader's own reason on failure.
#pragma once

#include <string>

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { Close(); }
  DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
  }
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads `path` (UTF-8, on Windows too) resolving every symbol now. On
  // failure returns false and puts the loader's reason in `error`.
  bool Open(const std::string& path, std::string& error);
  // The address of an exported symbol, or null. The loader may find it in a
  // library this one depends on.
  void* Symbol(const char* name) const;
  // True when `address` lies in this library's own image.
  bool Defines(const void* address) const;
  void Close();
  bool is_open() const { return handle_ != nullptr; }
  // The loader's handle (on Windows the image's base address), or null.
  void* native_handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};
