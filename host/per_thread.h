// A value each thread has of its own, of a type a pointer can hold, zero
// on every thread until set. On Windows the compiler's thread_local is
// emulated (mingw): every access asks the threads library, under its locks,
// and a judged call makes some ten; there the value lives in a slot of the
// system's own, read straight from the thread's block and never allocated,
// the thread's last error left as it was. Each distinct Tag is one value.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(_WIN32)
#include <windows.h>
#endif

template <typename T, typename Tag>
class PerThread {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*));

 public:
  static T Get() {
#if defined(_WIN32)
    const DWORD last_error = GetLastError();  // which reading the slot clears
    void* const word = TlsGetValue(Slot());
    SetLastError(last_error);
    T value;
    std::memcpy(&value, &word, sizeof value);
    return value;
#else
    return value_;
#endif
  }

  static void Set(T value) {
#if defined(_WIN32)
    void* word = nullptr;
    std::memcpy(&word, &value, sizeof value);
    TlsSetValue(Slot(), word);
#else
    value_ = value;
#endif
  }

 private:
#if defined(_WIN32)
  static DWORD Slot() {
    static_cast<void>(&kTakenAtStart);  // takes the slot as the program starts
    static const DWORD slot = TlsAlloc();
    return slot;
  }
  // Taken before any census of the process counts its free slots, never
  // first in the middle of a check.
  static inline const DWORD kTakenAtStart = Slot();
#else
  static inline thread_local T value_{};
#endif
};
