#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <cstring>

#include "host/dynamic_library.h"
#include "host/former_images.h"

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

namespace {

struct ImageSearch {
  std::uintptr_t base;
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
};

int FindImage(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  auto* search = static_cast<ImageSearch*>(data);
  if (info->dlpi_addr != search->base) return 0;
  for (int index = 0; index < info->dlpi_phnum; ++index) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[index];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    const std::uintptr_t end = start + segment.p_memsz;
    if (search->start == 0 || start < search->start) search->start = start;
    if (end > search->end) search->end = end;
  }
  return 1;
}

// Notes where the library lies before it goes.
void NoteImageOf(void* handle) {
  link_map* own = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &own) != 0 || own == nullptr) return;
  ImageSearch search{own->l_addr};
  if (dl_iterate_phdr(&FindImage, &search) == 0 || search.start == 0) return;
  const char* slash = std::strrchr(own->l_name, '/');
  NoteFormerImage(slash != nullptr ? slash + 1 : own->l_name, search.start, search.end);
}

}  // namespace

void DynamicLibrary::Close() {
  if (handle_ != nullptr) {
    NoteImageOf(handle_);
    dlclose(handle_);
    handle_ = nullptr;
  }
}
