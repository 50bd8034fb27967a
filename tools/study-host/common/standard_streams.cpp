#include "tools/study-host/common/standard_streams.h"

#include <fcntl.h>

#include <array>
#include <cerrno>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "tools/study-host/common/tool_error.h"

namespace {

std::array<bool, 3> closed_at_start{};

#if defined(_WIN32)
// Whether the process was given no usable handle for the stream. The C
// runtime keeps descriptors 0 to 2 for its streams even then, but reads and
// writes fail. Wine gives a stream closed on its Unix side a handle all the
// same, of a disk file that can be neither read nor written (its own
// descriptor took the number): told by an empty read or write, which a file
// takes without a change.
bool IsClosed(int descriptor) {
  constexpr DWORD kHandleOf[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  const HANDLE handle = GetStdHandle(kHandleOf[descriptor]);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return true;
  SetLastError(NO_ERROR);
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN) return GetLastError() != NO_ERROR;
  if (type != FILE_TYPE_DISK) return false;  // an empty read of a pipe or console may wait
  char none = 0;
  DWORD done = 0;
  const BOOL used = descriptor == 0 ? ReadFile(handle, &none, 0, &done, nullptr)
                                    : WriteFile(handle, &none, 0, &done, nullptr);
  return used == FALSE;
}

// The descriptor's own slot taken by the null device when the C runtime
// left it free.
void FillWithNullDevice(int descriptor) {
  errno = 0;
  if (_get_osfhandle(descriptor) != -1 || errno != EBADF) return;
  const int null_device = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
  if (null_device < 0 || null_device == descriptor) return;
  _dup2(null_device, descriptor);
  _close(null_device);
}
#else
bool IsClosed(int descriptor) {
  return fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
}

// Opening takes the lowest free number: the closed descriptor's own.
void FillWithNullDevice(int descriptor) {
  const int null_device = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
  if (null_device >= 0 && null_device != descriptor) {
    dup2(null_device, descriptor);
    close(null_device);
  }
}
#endif

}  // namespace

void TakeStandardStreams() {
  for (int descriptor = 0; descriptor < 3; ++descriptor) {
    closed_at_start[static_cast<std::size_t>(descriptor)] = IsClosed(descriptor);
    if (closed_at_start[static_cast<std::size_t>(descriptor)]) FillWithNullDevice(descriptor);
  }
}

bool StandardStreamWasClosed(StandardStream stream) {
  return closed_at_start[static_cast<std::size_t>(stream)];
}

void RefuseClosedOutput() {
  if (!StandardStreamWasClosed(StandardStream::kOutput)) return;
  throw ToolError(kExitOutput,
                  "standard output is closed (whatever started study-host closed it), so what it "
                  "prints would reach no one; nothing was done: start it with its output open, "
                  "in a command window, or sent to a file (> output.txt)");
}
