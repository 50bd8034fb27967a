// The C library's functions that reach beyond the process (the
// environment, files, the network, processes, libraries), replaced in a
// program that links this file (the tool) so that a module's use of them
// is noted (see capability_calls.h); each forwards to the C library's own.
// Not under AddressSanitizer, which replaces several of them itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "host/capability_calls.h"

namespace {

using capability_calls::Capability;
using capability_calls::Note;

// The C library's own `name`, found once at its first use.
#define STUDY_ORIGINAL(name)                                                                   \
  ([] {                                                                                        \
    static const auto original = reinterpret_cast<decltype(&::name)>(dlsym(RTLD_NEXT, #name)); \
    return original;                                                                           \
  }())

// The mode argument open and openat take when they may create a file, 0
// when they take none.
mode_t ModeOf(int flags, va_list arguments) {
  const bool takes_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
  return takes_mode ? va_arg(arguments, mode_t) : 0;
}

// Seen by the modules the program loads, whatever the build's default.
#define STUDY_REPLACEMENT __attribute__((visibility("default")))

struct Announce {
  Announce() { capability_calls::MarkSupported(); }
} announce;

}  // namespace

extern "C" {

STUDY_REPLACEMENT char* getenv(const char* name) {
  Note(Capability::kEnvironment, name);
  return STUDY_ORIGINAL(getenv)(name);
}

STUDY_REPLACEMENT char* secure_getenv(const char* name) {
  Note(Capability::kEnvironment, name);
  return STUDY_ORIGINAL(secure_getenv)(name);
}

STUDY_REPLACEMENT int open(const char* path, int flags, ...) {
  Note(Capability::kFile, path);
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  return STUDY_ORIGINAL(open)(path, flags, mode);
}

STUDY_REPLACEMENT int open64(const char* path, int flags, ...) {
  Note(Capability::kFile, path);
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  return STUDY_ORIGINAL(open64)(path, flags, mode);
}

STUDY_REPLACEMENT int openat(int folder, const char* path, int flags, ...) {
  Note(Capability::kFile, path);
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  return STUDY_ORIGINAL(openat)(folder, path, flags, mode);
}

STUDY_REPLACEMENT int creat(const char* path, mode_t mode) {
  Note(Capability::kFile, path);
  return STUDY_ORIGINAL(creat)(path, mode);
}

STUDY_REPLACEMENT FILE* fopen(const char* path, const char* how) {
  Note(Capability::kFile, path);
  return STUDY_ORIGINAL(fopen)(path, how);
}

STUDY_REPLACEMENT FILE* fopen64(const char* path, const char* how) {
  Note(Capability::kFile, path);
  return STUDY_ORIGINAL(fopen64)(path, how);
}

STUDY_REPLACEMENT int socket(int domain, int type, int protocol) {
  Note(Capability::kNetwork, "opened a socket");
  return STUDY_ORIGINAL(socket)(domain, type, protocol);
}

STUDY_REPLACEMENT int connect(int socket, const sockaddr* address, socklen_t length) {
  Note(Capability::kNetwork, "connected a socket");
  return STUDY_ORIGINAL(connect)(socket, address, length);
}

STUDY_REPLACEMENT pid_t fork() {
  Note(Capability::kProcess, "a copy of itself");
  return STUDY_ORIGINAL(fork)();
}

STUDY_REPLACEMENT int execve(const char* path, char* const arguments[], char* const environment[]) {
  Note(Capability::kProcess, path);
  return STUDY_ORIGINAL(execve)(path, arguments, environment);
}

STUDY_REPLACEMENT int posix_spawn(pid_t* pid, const char* path,
                                  const posix_spawn_file_actions_t* actions,
                                  const posix_spawnattr_t* attributes, char* const arguments[],
                                  char* const environment[]) {
  Note(Capability::kProcess, path);
  return STUDY_ORIGINAL(posix_spawn)(pid, path, actions, attributes, arguments, environment);
}

STUDY_REPLACEMENT int posix_spawnp(pid_t* pid, const char* file,
                                   const posix_spawn_file_actions_t* actions,
                                   const posix_spawnattr_t* attributes, char* const arguments[],
                                   char* const environment[]) {
  Note(Capability::kProcess, file);
  return STUDY_ORIGINAL(posix_spawnp)(pid, file, actions, attributes, arguments, environment);
}

STUDY_REPLACEMENT int system(const char* command) {
  Note(Capability::kProcess, command);
  return STUDY_ORIGINAL(system)(command);
}

STUDY_REPLACEMENT void* dlopen(const char* file, int mode) {
  const capability_calls::LibraryLoadScope loading;
  // Asking after a library already loaded loads nothing.
  if ((mode & RTLD_NOLOAD) == 0) Note(Capability::kLibrary, file);
  return STUDY_ORIGINAL(dlopen)(file, mode);
}

}  // extern "C"
