#include "host/host_thread.h"

#include "host/capability_calls.h"
#include "host/stand_in_host.h"

void PrepareHostThread() {
  capability_calls::RegisterHostThread();
  { const capability_calls::ModuleCodeScope touched(capability_calls::ModuleCode::kCall); }
  StandInHost::TakeServiceFailure();
}
