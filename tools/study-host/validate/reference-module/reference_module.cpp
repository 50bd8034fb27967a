// A module of the tool's own that does nothing a host notices, built as a
// module is: its static objects made at load and destroyed at unload by its
// runtime's start-up and clean-up, one export. Loaded and unloaded in a
// module's place, it shows what loading and unloading a sound module does
// to the runtime libraries' own data (see host/library_data_watch.h).
#include <string>

#if defined(_WIN32)
#define REFERENCE_EXPORT __declspec(dllexport)
#else
#define REFERENCE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// Made at load on the heap, released at unload, as a module's own state.
const std::string made_at_load(64, 'r');

}  // namespace

extern "C" REFERENCE_EXPORT std::size_t reference_module_does_nothing() {
  return made_at_load.size();
}
