// The runtime libraries' own bookkeeping put through the states the tool's
// work and a sound module's load and unload take it through, so that what
// they keep of it in their own data is seen changing while only the tool
// works, and learned as theirs (see library_data_watch.h): the C heap's
// lists of free blocks, its top and counters and the limits it moves by
// itself; natively also the exit and fork handlers a library registers,
// finalised as it unloads.
#pragma once

#include <functional>

// Allocates blocks of every size class (and some the allocator maps on its
// own), frees them so that every class's free list holds one, then gives
// everything back; registers a library's handlers and finalises them.
// `between` is called at each of these states.
void ExerciseRuntimeBookkeeping(const std::function<void()>& between);
