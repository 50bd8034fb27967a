#include "host/host_thread.h"

#if defined(_WIN32)
#include <pthread.h>
#endif

#include "host/capability_calls.h"
#include "host/stand_in_host.h"

void PrepareHostThread() {
  capability_calls::RegisterHostThread();
  { const capability_calls::ModuleCodeScope touched(capability_calls::ModuleCode::kCall); }
  StandInHost::TakeServiceFailure();
#if defined(_WIN32)
  // The threads library's record of the thread (a duplicate of its handle
  // and an event), which the runtime's first thread-local value on it, or
  // its first lock, would make.
  static_cast<void>(pthread_self());
#endif
}
