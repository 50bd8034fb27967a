#include "host/load_notification_windows.h"
#include "host/system_function_windows.h"
#include "host/wide_path_windows.h"

#include <windows.h>
#include <winternl.h>

#include <utility>

namespace {

// The loader's notification, as ntdll declares it.
constexpr ULONG kDllLoaded = 1;
struct LoadedDll {
  ULONG flags;
  const UNICODE_STRING* full_name;
  const UNICODE_STRING* base_name;
  void* base;
  ULONG image_size;
};
using NotificationFunction = void(CALLBACK*)(ULONG reason, const LoadedDll* data, void* context);
using RegisterFunction = LONG(NTAPI*)(ULONG flags, NotificationFunction function, void* context,
                                      void** cookie);

// A slim lock: it makes no kernel object, so a census of the process's
// handles sees only the module's.
SRWLOCK waiting_lock = SRWLOCK_INIT;
class WaitingLock {
 public:
  WaitingLock() { AcquireSRWLockExclusive(&waiting_lock); }
  ~WaitingLock() { ReleaseSRWLockExclusive(&waiting_lock); }
  WaitingLock(const WaitingLock&) = delete;
  WaitingLock& operator=(const WaitingLock&) = delete;
};
std::wstring waiting_name;  // lower case; empty: none
std::function<void(void*)> waiting_action;

std::wstring WideLowercase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

// The file name of a path, a trailing dot dropped, in lower case.
std::wstring FileNameOf(std::wstring path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path.erase(0, slash + 1);
  if (!path.empty() && path.back() == L'.') path.pop_back();
  return WideLowercase(std::move(path));
}

void CALLBACK OnDllNotification(ULONG reason, const LoadedDll* data, void* /*context*/) {
  if (reason != kDllLoaded || data == nullptr || data->base_name == nullptr) return;
  std::function<void(void*)> action;
  {
    const WaitingLock lock;
    if (waiting_name.empty()) return;
    const std::wstring loaded(data->base_name->Buffer, data->base_name->Length / sizeof(wchar_t));
    if (FileNameOf(loaded) != waiting_name) return;
    waiting_name.clear();
    action = std::move(waiting_action);
  }
  if (action) action(data->base);
}

// Registers for the loader's notifications once; false where the loader
// has none.
bool Registered() {
  static const bool registered = [] {
    const auto registration =
        FromLibrary<RegisterFunction>(L"ntdll.dll", "LdrRegisterDllNotification");
    void* cookie = nullptr;
    return registration != nullptr && registration(0, &OnDllNotification, nullptr, &cookie) >= 0;
  }();
  return registered;
}

}  // namespace

void OnNextLoadOf(const std::string& path, std::function<void(void* base)> action) {
  if (!Registered()) return;
  const WaitingLock lock;
  waiting_name = FileNameOf(WidePath(path));
  waiting_action = std::move(action);
}

void ForgetNextLoad() {
  const WaitingLock lock;
  waiting_name.clear();
  waiting_action = nullptr;
}
