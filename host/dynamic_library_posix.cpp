#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "host/dynamic_library.h"

bool DynamicLibrary::Open(const std::string& path, std::string& error) {
  Close();
  // A bare file name would make dlopen search the library path instead of
  // loading the file the user named.
  const std::string target = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown loader error";
    return false;
  }
  return true;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

bool DynamicLibrary::Defines(const void* address) const {
  link_map* own = nullptr;
  Dl_info found{};
  if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &own) != 0 || own == nullptr) {
    return false;
  }
  if (dladdr(address, &found) == 0 || found.dli_fname == nullptr) return false;
  return std::strcmp(found.dli_fname, own->l_name) == 0;
}

void DynamicLibrary::Close() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}
