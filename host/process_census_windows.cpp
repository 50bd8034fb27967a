// Windows: the census read from the system's own accounts (its snapshots,
// the process's handle table, its memory map, the state each call reports),
// not from any library's bookkeeping.
#include <windows.h>
// After windows.h, which they need.
#include <io.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <fcntl.h>
#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/former_images.h"
#include "host/lowercase.h"
#include "host/process_census.h"
#include "host/system_function_windows.h"
#include "host/system_process_list_windows.h"

namespace {

std::string Hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Utf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  return out;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr ULONG kThreadBasicInformation = 0;
constexpr ULONG kThreadStartAddress = 9;

// What ntdll's thread query reports of a thread's basics.
struct ThreadBasics {
  LONG exit_status;
  void* environment_block;
  void* client_process;
  void* client_thread;
  KAFFINITY affinity;
  LONG priority;
  LONG base_priority;
};

using QueryThread = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

std::string ThreadAffinity(HANDLE thread) {
  static const auto query = FromLibrary<QueryThread>(L"ntdll.dll", "NtQueryInformationThread");
  ThreadBasics basics{};
  if (query == nullptr ||
      query(thread, kThreadBasicInformation, &basics, sizeof basics, nullptr) < 0) {
    return "unknown";
  }
  return Hex(basics.affinity);
}

std::string ThreadStart(HANDLE thread) {
  static const auto query = FromLibrary<QueryThread>(L"ntdll.dll", "NtQueryInformationThread");
  void* start = nullptr;
  if (query == nullptr || query(thread, kThreadStartAddress, &start, sizeof start, nullptr) < 0 ||
      start == nullptr) {
    return "";
  }
  return "starting " + WhereAddressPoints(start);
}

// A thread's description (SetThreadDescription), where the system has it.
std::string ThreadDescription(HANDLE thread) {
  using Describe = HRESULT(WINAPI*)(HANDLE, wchar_t**);
  static const auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "GetThreadDescription")));
  wchar_t* description = nullptr;
  if (describe == nullptr || FAILED(describe(thread, &description))) return "unknown";
  std::string text = "'";
  text += Utf8(description != nullptr ? description : L"");
  text += "'";
  if (description != nullptr) LocalFree(description);
  return text;
}

// A thread's own attributes, each a fact: what another thread (or a module
// on the host's calling thread) can set on it.
void AddThreadAttributes(ProcessCensus& census, HANDLE thread, const std::string& who) {
  census.Add(CensusKind::kThreadAttribute, "priority of " + who,
             std::to_string(GetThreadPriority(thread)));
  census.Add(CensusKind::kThreadAttribute, "processor affinity of " + who, ThreadAffinity(thread));
  census.Add(CensusKind::kThreadAttribute, "description of " + who, ThreadDescription(thread));
}

void AddThreads(ProcessCensus& census) {
  const std::optional<OwnProcessListing> listing = ListOwnProcess();
  if (!listing) return;
  const DWORD calling = GetCurrentThreadId();
  for (const std::uint32_t thread_id : listing->thread_ids) {
    const std::string id = "id " + std::to_string(thread_id);
    const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, thread_id);
    if (thread == nullptr) {
      census.Add(CensusKind::kThread, id, "");
      continue;
    }
    census.Add(CensusKind::kThread, id, ThreadStart(thread));
    // The calling thread's own attributes are facts of their own.
    if (thread_id != calling) AddThreadAttributes(census, thread, "thread " + id);
    CloseHandle(thread);
  }
}

// Per-thread slots in use (TlsAlloc, FlsAlloc): counted by taking every
// free one and giving them all back (the system tells no count).
template <typename Take, typename Give>
int SlotsFree(Take take, Give give, DWORD none) {
  std::vector<DWORD> taken;
  for (DWORD slot = take(); slot != none && taken.size() < 100000; slot = take()) {
    taken.push_back(slot);
  }
  for (const DWORD slot : taken) give(slot);
  return static_cast<int>(taken.size());
}

void AddPerThreadSlots(ProcessCensus& census) {
  const int tls_free =
      SlotsFree([] { return TlsAlloc(); }, [](DWORD slot) { TlsFree(slot); }, TLS_OUT_OF_INDEXES);
  census.Add(CensusKind::kPerThreadSlots, "thread-local slots free (TlsAlloc)",
             std::to_string(tls_free));
  const int fls_free = SlotsFree([] { return FlsAlloc(nullptr); },
                                 [](DWORD slot) { FlsFree(slot); }, FLS_OUT_OF_INDEXES);
  census.Add(CensusKind::kPerThreadSlots, "fiber-local slots free (FlsAlloc)",
             std::to_string(fls_free));
}

// The system's own files, under the Windows folder: a module's loading of
// one of its libraries is seen as it happens; one the system keeps loaded
// is the system's doing.
bool IsSystemFile(const std::string& path) {
  static const std::string windows_folder = [] {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    return Lowercase(Utf8(folder)) + "\\";
  }();
  return Lowercase(path).rfind(windows_folder, 0) == 0;
}

void AddLibraries(ProcessCensus& census) {
  const HANDLE snapshot =
      CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
    const std::string path = Utf8(entry.szExePath);
    if (!IsSystemFile(path)) census.Add(CensusKind::kLibrary, path, "");
  }
  CloseHandle(snapshot);
}

constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;

using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

// A UNICODE_STRING an object query wrote at the start of `buffer`.
std::string ObjectText(const std::vector<unsigned char>& buffer) {
  UNICODE_STRING text{};
  std::memcpy(&text, buffer.data(), sizeof text);
  if (text.Buffer == nullptr || text.Length == 0) return "";
  return Utf8(std::wstring(text.Buffer, text.Length / sizeof(wchar_t)).c_str());
}

std::string ObjectQuery(QueryObject query, HANDLE handle, ULONG what) {
  std::vector<unsigned char> buffer(2048);
  ULONG needed = 0;
  if (query(handle, what, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) < 0) {
    return "";
  }
  return ObjectText(buffer);
}

// This process's handles, found by asking each handle value in turn. The
// system-wide handle table is never asked: wine's server (8.0) reads past
// the table of a process that holds no handle yet, one just being started,
// and dies, leaving every program waiting on it for ever.
std::vector<HANDLE> OwnHandles() {
  // Handle values are multiples of 4 from 4, reused as handles close, so a
  // process's handles lie close together: past the last one found, a long
  // run of values that are no handle ends the search. Where the system
  // tells how many handles there are, the search ends once all were found;
  // wine tells none, but lists the size of the process's handle table, past
  // which no handle value lies.
  constexpr std::uintptr_t kValuesPastLast = 512;
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  std::uintptr_t table_end = UINTPTR_MAX;
  if (count == 0) {
    const std::optional<OwnProcessListing> listing = ListOwnProcess();
    if (listing && listing->handle_count > 0) table_end = 4 * std::uintptr_t{listing->handle_count};
  }
  std::vector<HANDLE> handles;
  std::uintptr_t last_found = 0;
  for (std::uintptr_t value = 4; value <= last_found + kValuesPastLast * 4 && value <= table_end;
       value += 4) {
    const auto handle = reinterpret_cast<HANDLE>(value);
    DWORD flags = 0;
    if (GetHandleInformation(handle, &flags) == 0) continue;
    handles.push_back(handle);
    last_found = value;
    if (handles.size() == count) break;
  }
  return handles;
}

// Handles by type, and the named objects among them (a mutex or semaphore
// kept by name); only their count where the table cannot be read. Files
// are not asked their names: a pipe's can block.
void AddHandles(ProcessCensus& census) {
  const auto query = FromLibrary<QueryObject>(L"ntdll.dll", "NtQueryObject");
  const std::vector<HANDLE> handles = query != nullptr ? OwnHandles() : std::vector<HANDLE>{};
  if (handles.empty()) {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    census.Add(CensusKind::kHandles, "of any type", std::to_string(count));
    return;
  }
  std::map<std::string, int> of_type;
  for (const HANDLE handle : handles) {
    const std::string type = ObjectQuery(query, handle, kObjectTypeInformation);
    // The system keeps a handle to its object directory once a named object
    // was asked for: the system's, not the asker's.
    if (type == "Directory") continue;
    ++of_type[type.empty() ? "unknown" : type];
    if (type == "Mutant" || type == "Semaphore" || type == "Event" || type == "Section") {
      const std::string name = ObjectQuery(query, handle, kObjectNameInformation);
      if (!name.empty()) census.Add(CensusKind::kNamedObject, type + " '" + name + "'", "");
    }
  }
  for (const auto& [type, count] : of_type) {
    census.Add(CensusKind::kHandles, type, std::to_string(count));
  }
}

template <typename Visit>
void ForEachRegion(Visit visit) {
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    visit(region);
    if (region.RegionSize == 0) break;
  }
}

// The file a mapped view shows, in UTF-8; "" for a view no file holds.
std::string MappedFile(const MEMORY_BASIC_INFORMATION& region) {
  wchar_t path[MAX_PATH] = {};
  return GetMappedFileNameW(GetCurrentProcess(), region.BaseAddress, path, MAX_PATH) > 0
             ? Utf8(path)
             : std::string();
}

// Committed private memory, and writable views of memory no file holds (a
// section of the paging file).
bool IsPrivateMemory(const MEMORY_BASIC_INFORMATION& region) {
  if (region.State != MEM_COMMIT) return false;
  if (region.Type == MEM_PRIVATE) return true;
  return region.Type == MEM_MAPPED && (region.Protect & (PAGE_READWRITE | PAGE_WRITECOPY)) != 0 &&
         MappedFile(region).empty();
}

// The files mapped into memory (images and views), from the process's
// memory map, and the private memory.
void AddMemory(ProcessCensus& census) {
  std::map<std::string, int> mappings_of;
  ForEachRegion([&](const MEMORY_BASIC_INFORMATION& region) {
    if (region.State != MEM_COMMIT || region.Type != MEM_MAPPED ||
        region.BaseAddress != region.AllocationBase) {
      return;
    }
    const std::string path = MappedFile(region);
    if (!path.empty() && !IsSystemFile(path)) ++mappings_of[path];
  });
  for (const auto& [path, mappings] : mappings_of) {
    census.Add(CensusKind::kMappedFile, path, std::to_string(mappings) + " views");
  }
  census.private_memory = PrivateMemoryBytes();
}

void AddEnvironment(ProcessCensus& census) {
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return;
  for (const wchar_t* at = block; *at != L'\0'; at += wcslen(at) + 1) {
    const std::string variable = Utf8(at);
    const std::size_t equals = variable.find('=', 1);  // "=C:=C:\..." names a drive's folder
    census.Add(CensusKind::kEnvironment, variable.substr(0, equals),
               equals == std::string::npos ? "" : variable.substr(equals + 1));
  }
  FreeEnvironmentStringsW(block);
}

void AddSignals(ProcessCensus& census) {
  for (const int signal_number : {SIGINT, SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT}) {
    // Read by setting and setting back: the C runtime has no other way.
    const auto handler = std::signal(signal_number, SIG_DFL);
    std::signal(signal_number, handler);
    const std::string state =
        handler == SIG_DFL   ? "the default"
        : handler == SIG_IGN ? "ignored"
                             : "a handler " + WhereAddressPoints(reinterpret_cast<void*>(handler));
    census.Add(CensusKind::kSignal, "signal " + std::to_string(signal_number) + " (C runtime)",
               state);
  }
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  census.Add(CensusKind::kSignal, "unhandled exceptions (the filter)",
             filter == nullptr ? "none"
                               : "a filter " + WhereAddressPoints(reinterpret_cast<void*>(filter)));
}

// The shared C runtime's default mode for the files it opens, as its own
// export tells it.
std::string RuntimeFileMode() {
  using Accessor = int* (*)();
  const auto mode = reinterpret_cast<Accessor>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "__p__fmode")));
  if (mode == nullptr || mode() == nullptr) return "unknown";
  return (*mode() & _O_BINARY) != 0 ? "binary" : "text";
}

void AddProcessAttributes(ProcessCensus& census) {
  census.Add(CensusKind::kProcess, "error mode", Hex(GetErrorMode()));
  wchar_t folder[MAX_PATH] = {};
  GetDllDirectoryW(MAX_PATH, folder);
  std::string named = "none";
  if (folder[0] !=
      L'\0') {  // built piece by piece: g++ 12 warns wrongly of overlap in a chain of +
    named = "'";
    named += Utf8(folder);
    named += "'";
  }
  census.Add(CensusKind::kProcess, "DLL search folder (SetDllDirectory)", named);
  census.Add(CensusKind::kProcess, "priority class", Hex(GetPriorityClass(GetCurrentProcess())));
  census.Add(CensusKind::kProcess, "console code pages",
             "input " + std::to_string(GetConsoleCP()) + ", output " +
                 std::to_string(GetConsoleOutputCP()));
  DWORD_PTR process_affinity = 0;
  DWORD_PTR system_affinity = 0;
  GetProcessAffinityMask(GetCurrentProcess(), &process_affinity, &system_affinity);
  census.Add(CensusKind::kProcess, "processor affinity", Hex(process_affinity));
  census.Add(CensusKind::kProcess, "file functions' code page", AreFileApisANSI() ? "ANSI" : "OEM");
  census.Add(CensusKind::kProcess, "C runtime's default file mode (_fmode)", RuntimeFileMode());
}

// The COM apartment the calling thread entered, asked only where COM's
// library is already loaded: a thread cannot have entered COM otherwise.
std::string ComApartment() {
  for (const wchar_t* library : {L"combase.dll", L"ole32.dll"}) {
    const HMODULE loaded = GetModuleHandleW(library);
    if (loaded == nullptr) continue;
    using Ask = HRESULT(WINAPI*)(int*, int*);
    const auto ask = reinterpret_cast<Ask>(
        reinterpret_cast<void*>(GetProcAddress(loaded, "CoGetApartmentType")));
    if (ask == nullptr) continue;
    int type = 0;
    int qualifier = 0;
    if (ask(&type, &qualifier) != S_OK) return "not entered";
    return type == 0   ? "entered, single-threaded (STA)"
           : type == 1 ? "entered, multi-threaded (MTA)"
                       : "entered, type " + std::to_string(type);
  }
  return "not entered";
}

void AddCallingThread(ProcessCensus& census) {
  census.Add(CensusKind::kCallingThread, "priority",
             std::to_string(GetThreadPriority(GetCurrentThread())));
  census.Add(CensusKind::kCallingThread, "COM apartment", ComApartment());
  census.Add(CensusKind::kCallingThread, "processor affinity", ThreadAffinity(GetCurrentThread()));
  census.Add(CensusKind::kCallingThread, "description", ThreadDescription(GetCurrentThread()));
}

}  // namespace

// A C runtime stream: its descriptor's mode (read by setting it and setting
// it back), and its buffer as the runtime holds it.
std::string StandardStreamState(std::FILE* stream) {
  const int descriptor = _fileno(stream);
  std::string state = "descriptor " + std::to_string(descriptor);
  if (descriptor >= 0) {
    const int mode = _setmode(descriptor, _O_BINARY);
    if (mode != -1) _setmode(descriptor, mode);
    state += (mode & _O_BINARY) != 0 ? ", binary" : mode == -1 ? "" : ", text";
  }
  // The C runtime gives a stream its buffer at its first write: no buffer
  // yet and one on the heap are both its own.
  const std::string where = stream->_base == nullptr ? "" : WhereAddressPoints(stream->_base);
  state += where.empty() || where == "in other memory" ? ", the C runtime's own buffer"
                                                       : ", its buffer " + where;
  state +=
      ", flags " + Hex(static_cast<unsigned>(stream->_flag) & 0x0404);  // own buffer, unbuffered
  return state;
}

std::int64_t PrivateMemoryBytes() {
  std::int64_t bytes = 0;
  ForEachRegion([&](const MEMORY_BASIC_INFORMATION& region) {
    if (IsPrivateMemory(region)) bytes += static_cast<std::int64_t>(region.RegionSize);
  });
  return bytes;
}

void AddPlatformFacts(ProcessCensus& census) {
  AddThreads(census);
  AddLibraries(census);
  AddHandles(census);
  AddMemory(census);
  AddEnvironment(census);
  AddSignals(census);
  AddProcessAttributes(census);
  AddPerThreadSlots(census);
  AddCallingThread(census);
}

bool AddressInLoadedModule(const void* address) {
  if (address == nullptr) return true;
  HMODULE owner = nullptr;
  return GetModuleHandleExA(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             static_cast<const char*>(address), &owner) != 0;
}

std::string WhereAddressPoints(const void* address) {
  HMODULE owner = nullptr;
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const char*>(address), &owner) != 0) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(owner, path, MAX_PATH);
    return "in " + FileName(Utf8(path)) + "'s image";
  }
  const std::string former = FormerImageAt(address);
  MEMORY_BASIC_INFORMATION region{};
  if (VirtualQuery(address, &region, sizeof region) == sizeof region && region.State == MEM_FREE) {
    return former.empty() ? "in memory no longer mapped"
                          : "in memory no longer mapped (" + former + ")";
  }
  if (!former.empty()) return "in " + former + ", mapped again since";
  return "in other memory";
}
