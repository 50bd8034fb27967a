// Counts every call into the C heap made anywhere in the process, the loaded
// module included: this program's malloc, calloc, realloc and free stand in
// for glibc's and forward to it. In the native build the C heap is the
// process heap the module and the host share.
#pragma once

#include <cstdint>

// Heap calls (malloc, calloc, realloc, free) made so far.
std::uint64_t HeapCallsSoFar();
