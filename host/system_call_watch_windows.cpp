// Windows has no such report from its kernel: a module's calls are watched
// through what it imports and looks up (capability_hooks_windows.cpp).
#include "host/system_call_watch.h"

namespace system_call_watch {

bool Start() {
  return false;
}

}  // namespace system_call_watch
