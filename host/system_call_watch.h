// The lowest layer a module reaches: the system calls it makes. Natively the
// kernel itself reports every call that opens, makes or changes a file,
// uses a socket, starts a process or a thread, or reads standard input, to a
// thread of the tool's that notes it (capability_calls::NoteSeenByKernel)
// when module code made it, and lets the call go on. What the C library's
// functions do, and what a module does with a system call of its own, is
// seen alike. Installed once in a process; it applies to the thread that
// installs it and every thread and process started after.
#pragma once

namespace system_call_watch {

// Installs the watch on the calling thread; false where the system cannot
// (another system, an older kernel, or under AddressSanitizer, whose leak
// checker stops every thread and would stop the watching one too).
bool Start();

}  // namespace system_call_watch
