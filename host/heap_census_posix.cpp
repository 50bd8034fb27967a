// Native build: in a program that counts its heap calls (the tool), blocks
// and bytes from the count; elsewhere glibc's allocator statistics, which
// give bytes in use, not blocks, and mean nothing under AddressSanitizer,
// whose allocator replaces glibc's (and checks leaks on its own).
#include <malloc.h>

#include "host/address_sanitizer.h"
#include "host/heap_calls.h"
#include "host/heap_census.h"

HeapCensus TakeHeapCensus() {
  HeapCensus census;
  if (heap_calls::Supported()) {  // the program counts every heap call: blocks too
    const heap_calls::ProcessTally tally = heap_calls::TallyOfProcess();
    return {true, tally.blocks, tally.bytes};
  }
#if defined(__GLIBC__)
  if constexpr (!kUnderAddressSanitizer) {
    const struct mallinfo2 info = mallinfo2();
    census.supported = true;
    census.bytes = static_cast<std::int64_t>(info.uordblks + info.hblkhd);
  }
#endif
  return census;
}

std::int64_t CountBlocksHolding(const char* /*text*/) {
  return -1;
}
