// One faulty module's own file: which fault it has (FAULT, and FAULT_<name>
// defined by the build), its exports, and the pieces that change what it
// imports or exports. The fault's code is shared (faulty_module.cpp).
#include "study/study_exports.h"
#include "tests/faulty-modules/fault.h"

#if defined(FAULT_connects_at_load)
#if defined(_WIN32)
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#endif
// Only the modules that need the system's headers include them: most of
// these files are a few lines, and the headers take seconds to read.
#if defined(_WIN32) && (defined(FAULT_enters_com) || defined(FAULT_forks))
#include <windows.h>
#if defined(FAULT_enters_com)
#include <objbase.h>
#endif
#elif defined(FAULT_forks)
#include <unistd.h>
#endif
#if defined(FAULT_forks)
#include <string>
#endif

#ifndef FAULT
#error "FAULT names the fault to build"
#endif

extern "C" const faulty::Fault faulty_module_fault = faulty::FAULT;

namespace {

#if defined(FAULT_connects_at_load)
// The discard port of this machine.
sockaddr_in DiscardPort() {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(9);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Connects to the discard port of this machine, and hangs up.
void ConnectSomewhere() {
#if defined(_WIN32)
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  const SOCKET connection = socket(AF_INET, SOCK_STREAM, 0);
  if (connection != INVALID_SOCKET) {
    const sockaddr_in address = DiscardPort();
    connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    closesocket(connection);
  }
  WSACleanup();
#else
  const int connection = socket(AF_INET, SOCK_STREAM, 0);
  if (connection < 0) return;
  const sockaddr_in address = DiscardPort();
  connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  close(connection);
#endif
}
#endif

#if defined(FAULT_enters_com) && defined(_WIN32)
void EnterCom() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}
#endif

#if defined(FAULT_forks)
void LeaveProcessRunning();
#endif

}  // namespace

extern "C" const faulty::OwnPieces faulty_module_pieces = {
#if defined(FAULT_connects_at_load)
    &ConnectSomewhere,
#else
    nullptr,
#endif
#if defined(FAULT_enters_com) && defined(_WIN32)
    &EnterCom,
#else
    nullptr,
#endif
#if defined(FAULT_forks)
    &LeaveProcessRunning,
#else
    nullptr,
#endif
};

extern "C" {

#if !defined(FAULT_borrowed_export)
STUDY_KIT_EXPORT const char* scdll_DLLName() {
  return faulty::ModuleName();
}
#endif

STUDY_KIT_EXPORT std::int32_t scdll_DLLVersion() {
  return faulty::ModuleVersion();
}

#if !defined(FAULT_missing_export)
STUDY_KIT_EXPORT void scsf_zrPalvessa(StudyInterface* record) {
  faulty::StudyFunction(record);
}
#endif

#if defined(FAULT_exports_second_study)
STUDY_KIT_EXPORT void scsf_zrPalvessa2(StudyInterface* record) {
  faulty::StudyFunction(record);
}
#endif

#if defined(_WIN32) && defined(FAULT_forks)
// What the process left running does: wait a minute.
STUDY_KIT_EXPORT void CALLBACK Linger(HWND, HINSTANCE, LPSTR, int) {
  Sleep(60000);
}
#endif

}  // extern "C"

#if defined(FAULT_forks)
namespace {

// Starts a process that outlives the call, once.
void LeaveProcessRunning() {
  static bool left = false;
  if (left) return;
  left = true;
#if defined(_WIN32)
  char module[MAX_PATH];
  HMODULE self = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<const char*>(&Linger), &self);
  GetModuleFileNameA(self, module, MAX_PATH);
  std::string command = std::string("rundll32.exe \"") + module + "\",Linger";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
#else
  if (fork() == 0) {
    sleep(60);
    _exit(0);
  }
#endif
}

}  // namespace
#endif
