// Windows: this process as the system's list of processes shows it.
#include <windows.h>
// After windows.h, which it needs.
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/system_function_windows.h"
#include "host/system_process_list_windows.h"

namespace {

// The list as the system writes it (x64): each process's entry, its
// threads' entries right after it; the next process `NextEntryOffset` bytes
// on, none where that is 0. Written by the system, read here only.
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset) == 0x00);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, NumberOfThreads) == 0x04);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId) == 0x50);
static_assert(offsetof(SYSTEM_PROCESS_INFORMATION, HandleCount) == 0x60);
static_assert(sizeof(SYSTEM_PROCESS_INFORMATION) == 0x100);
static_assert(offsetof(SYSTEM_THREAD_INFORMATION, ClientId) == 0x28);
static_assert(sizeof(SYSTEM_THREAD_INFORMATION) == 0x50);

constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr std::size_t kFirstListBytes = 64 * 1024;
constexpr int kAttempts = 8;  // the list grows between asking its size and reading it

using QuerySystem = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

std::vector<unsigned char> SystemProcessList() {
  static const auto query = FromLibrary<QuerySystem>(L"ntdll.dll", "NtQuerySystemInformation");
  std::vector<unsigned char> list(kFirstListBytes);
  for (int attempt = 0; query != nullptr && attempt < kAttempts; ++attempt) {
    ULONG needed = 0;
    const LONG status =
        query(kSystemProcessInformation, list.data(), static_cast<ULONG>(list.size()), &needed);
    if (status >= 0) return list;
    if (status != kInfoLengthMismatch) break;
    list.resize(std::max<std::size_t>(2 * list.size(), needed + kFirstListBytes));
  }
  return {};
}

std::vector<std::uint32_t> ThreadIdsAt(const std::vector<unsigned char>& list, std::size_t offset,
                                       ULONG threads) {
  std::vector<std::uint32_t> ids;
  std::size_t at = offset + sizeof(SYSTEM_PROCESS_INFORMATION);
  for (ULONG index = 0; index < threads && at + sizeof(SYSTEM_THREAD_INFORMATION) <= list.size();
       ++index, at += sizeof(SYSTEM_THREAD_INFORMATION)) {
    SYSTEM_THREAD_INFORMATION thread;
    std::memcpy(&thread, list.data() + at, sizeof thread);
    ids.push_back(
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(thread.ClientId.UniqueThread)));
  }
  return ids;
}

}  // namespace

std::optional<OwnProcessListing> ListOwnProcess() {
  const std::vector<unsigned char> list = SystemProcessList();
  const auto own = static_cast<std::uintptr_t>(GetCurrentProcessId());
  for (std::size_t offset = 0; offset + sizeof(SYSTEM_PROCESS_INFORMATION) <= list.size();) {
    SYSTEM_PROCESS_INFORMATION process;
    std::memcpy(&process, list.data() + offset, sizeof process);
    if (reinterpret_cast<std::uintptr_t>(process.UniqueProcessId) == own) {
      return OwnProcessListing{.thread_ids = ThreadIdsAt(list, offset, process.NumberOfThreads),
                               .handle_count = process.HandleCount};
    }
    if (process.NextEntryOffset == 0) break;
    offset += process.NextEntryOffset;
  }
  return std::nullopt;
}
