// Linux: a seccomp filter that hands the calls below to a listener (user
// notification), and a thread, started before the filter so it is not
// under it, that notes each and lets it continue.
#include <errno.h>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/sched.h>
#include <linux/seccomp.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "host/address_sanitizer.h"
#include "host/capability_calls.h"
#include "host/system_call_watch.h"

namespace system_call_watch {
namespace {

using capability_calls::Capability;

// What a watched call does, and where its path argument is.
struct Watched {
  long number;
  Capability capability;
  int path_argument;  // -1: none
  const char* what;   // for a call without a path
};
constexpr Watched kWatched[] = {
    {SYS_open, Capability::kFile, 0, nullptr},
    {SYS_openat, Capability::kFile, 1, nullptr},
    {SYS_openat2, Capability::kFile, 1, nullptr},
    {SYS_creat, Capability::kFile, 0, nullptr},
    {SYS_mkdir, Capability::kFileSystem, 0, nullptr},
    {SYS_mkdirat, Capability::kFileSystem, 1, nullptr},
    {SYS_unlink, Capability::kFileSystem, 0, nullptr},
    {SYS_unlinkat, Capability::kFileSystem, 1, nullptr},
    {SYS_rmdir, Capability::kFileSystem, 0, nullptr},
    {SYS_rename, Capability::kFileSystem, 0, nullptr},
    {SYS_renameat, Capability::kFileSystem, 1, nullptr},
    {SYS_renameat2, Capability::kFileSystem, 1, nullptr},
    {SYS_link, Capability::kFileSystem, 0, nullptr},
    {SYS_linkat, Capability::kFileSystem, 1, nullptr},
    {SYS_symlink, Capability::kFileSystem, 1, nullptr},
    {SYS_symlinkat, Capability::kFileSystem, 2, nullptr},
    {SYS_truncate, Capability::kFileSystem, 0, nullptr},
    {SYS_mknod, Capability::kFileSystem, 0, nullptr},
    {SYS_mknodat, Capability::kFileSystem, 1, nullptr},
    {SYS_socket, Capability::kNetwork, -1, "opened a socket"},
    {SYS_socketpair, Capability::kNetwork, -1, "opened a pair of sockets"},
    {SYS_connect, Capability::kNetwork, -1, "connected a socket"},
    {SYS_bind, Capability::kNetwork, -1, "bound a socket"},
    {SYS_fork, Capability::kProcess, -1, "a copy of itself"},
    {SYS_vfork, Capability::kProcess, -1, "a copy of itself"},
    {SYS_execve, Capability::kProcess, 0, nullptr},
    {SYS_execveat, Capability::kProcess, 1, nullptr},
    {SYS_clone, Capability::kProcess, -1, "a copy of itself"},  // or a thread: told by its flags
    {SYS_clone3, Capability::kProcess, -1, "a copy of itself"},
};
// Reads of standard input: watched only when they read descriptor 0.
constexpr long kReads[] = {SYS_read, SYS_readv, SYS_pread64, SYS_preadv, SYS_preadv2};

constexpr std::size_t kMostInstructions = 128;

// The filter: on x86-64, a watched call goes to the listener, a read goes
// there when its first argument is 0, anything else runs.
std::vector<sock_filter> Filter() {
  std::vector<sock_filter> program;
  const auto add = [&program](sock_filter instruction) { program.push_back(instruction); };
  add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
  add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0));
  add(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
  for (const Watched& watched : kWatched) {
    add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(watched.number), 0, 1));
    add(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF));
  }
  for (const long read : kReads) {
    // A read: its descriptor (the first argument's low half) 0 -> notify;
    // any other -> run.
    add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(read), 0, 4));
    add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));
    add(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 0, 1));
    add(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF));
    add(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  }
  add(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  return program;
}

// Reads `size` bytes at `address` in the task's process into `into`; false
// when they cannot be read.
bool ReadTaskMemory(pid_t task, std::uint64_t address, void* into, std::size_t size) {
  iovec local{into, size};
  iovec remote{reinterpret_cast<void*>(address), size};
  return process_vm_readv(task, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(size);
}

// The path at `address`, cut at its end or at the buffer's; byte by byte,
// as a short path may end just before a page that is not mapped.
void ReadPath(pid_t task, std::uint64_t address, char (&path)[256]) {
  std::memset(path, 0, sizeof path);
  for (std::size_t at = 0; at + 1 < sizeof path; ++at) {
    if (!ReadTaskMemory(task, address + at, &path[at], 1) || path[at] == '\0') break;
  }
}

// Whether a file the loader opens while the tool loads the module: a
// library, or the loader's cache.
bool LoaderMayOpen(const char* path) {
  return std::strstr(path, ".so") != nullptr || std::strcmp(path, "/etc/ld.so.cache") == 0;
}

void Note(const seccomp_notif& request) {
  const auto task = static_cast<pid_t>(request.pid);
  const seccomp_data& data = request.data;
  for (const long read : kReads) {
    if (data.nr == read) {
      capability_calls::NoteSeenByKernel(task, Capability::kInput, "descriptor 0", false);
      return;
    }
  }
  for (const Watched& watched : kWatched) {
    if (data.nr != watched.number) continue;
    Capability capability = watched.capability;
    std::uint64_t flags = data.args[0];
    if (data.nr == SYS_clone3) {
      flags = 0;
      ReadTaskMemory(task, data.args[0], &flags, sizeof flags);  // clone_args starts with them
    }
    if ((data.nr == SYS_clone || data.nr == SYS_clone3) && (flags & CLONE_THREAD) != 0) {
      capability_calls::NoteSeenByKernel(task, Capability::kThread, "", false);
      return;
    }
    if (watched.path_argument < 0) {
      capability_calls::NoteSeenByKernel(task, capability, watched.what, false);
      return;
    }
    char path[256];
    ReadPath(task, data.args[watched.path_argument], path);
    capability_calls::NoteSeenByKernel(task, capability, path, LoaderMayOpen(path));
    return;
  }
}

// The listener's thread: notes every call it is handed and lets it go on.
void* Listen(void* listener_descriptor) {
  const int listener = static_cast<int>(reinterpret_cast<std::intptr_t>(listener_descriptor));
  seccomp_notif request{};
  seccomp_notif_resp response{};
  while (true) {
    std::memset(&request, 0, sizeof request);
    if (ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, &request) != 0) {
      if (errno == EINTR || errno == ENOENT) continue;
      return nullptr;
    }
    Note(request);
    std::memset(&response, 0, sizeof response);
    response.id = request.id;
    response.flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
    ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, &response);
  }
}

}  // namespace

bool Start() {
  if constexpr (kUnderAddressSanitizer) return false;
  const std::vector<sock_filter> instructions = Filter();
  if (instructions.size() > kMostInstructions * 4) return false;
  const sock_fprog program{static_cast<unsigned short>(instructions.size()),
                           const_cast<sock_filter*>(instructions.data())};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  // The listener's thread first: started before the filter, it is not under
  // it, so its own calls never wait on itself. It gets the listener once
  // the filter gave one, through a pipe.
  int handover[2];
  if (pipe2(handover, O_CLOEXEC) != 0) return false;
  pthread_t listening;
  struct Starter {
    static void* Run(void* read_end) {
      int listener = -1;
      const int from = static_cast<int>(reinterpret_cast<std::intptr_t>(read_end));
      const bool got = read(from, &listener, sizeof listener) == sizeof listener;
      close(from);
      if (!got || listener < 0) return nullptr;
      return Listen(reinterpret_cast<void*>(static_cast<std::intptr_t>(listener)));
    }
  };
  if (pthread_create(&listening, nullptr, &Starter::Run,
                     reinterpret_cast<void*>(static_cast<std::intptr_t>(handover[0]))) != 0) {
    close(handover[0]);
    close(handover[1]);
    return false;
  }
  pthread_detach(listening);
  const int listener = static_cast<int>(
      syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program));
  if (listener >= 0) fcntl(listener, F_SETFD, FD_CLOEXEC);  // nothing the module starts gets it
  const bool given = write(handover[1], &listener, sizeof listener) == sizeof listener;
  close(handover[1]);
  return listener >= 0 && given;
}

}  // namespace system_call_watch
