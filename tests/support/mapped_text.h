// A text of billions of letters for the tests of the longest texts, in
// memory mapped for it alone: on the heap (and in a sanitizer's shadow of
// it) two gigabytes take many times longer to get and fill.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

class MappedText {
 public:
  // `length` copies of `letter` and a terminating zero; c_str() is null
  // where the memory could not be had.
  MappedText(std::size_t length, char letter) : bytes_(length + 1) {
#if defined(_WIN32)
    void* memory = VirtualAlloc(nullptr, bytes_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
#else
    void* memory =
        mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) memory = nullptr;
    // In huge pages where the system has them: a thousand faults instead of
    // half a million, and as few misses of the address cache as the text is
    // read.
    if (memory != nullptr) madvise(memory, bytes_, MADV_HUGEPAGE);
#endif
    text_ = static_cast<char*>(memory);
    if (text_ == nullptr) return;
    std::memset(text_, letter, length);
    text_[length] = '\0';
  }
  ~MappedText() {
    if (text_ == nullptr) return;
#if defined(_WIN32)
    VirtualFree(text_, 0, MEM_RELEASE);
#else
    munmap(text_, bytes_);
#endif
  }
  MappedText(const MappedText&) = delete;
  MappedText& operator=(const MappedText&) = delete;

  const char* c_str() const {
    return text_;
  }

 private:
  std::size_t bytes_;
  char* text_ = nullptr;
};
