// Natively the program's own replacements of the C heap's functions report
// every heap call of the process (see the tool's heap interposer): nothing
// to redirect in a module.
#include "host/heap_calls.h"

namespace heap_calls {

void WatchModule(const DynamicLibrary& /*module*/) {}

}  // namespace heap_calls
