// How many threads this process runs: a module must start none, so the
// count after loading it and after its calls is the count before.
#pragma once

// The threads of this process now; -1 where it cannot be counted.
int ThreadsInProcess();

// After joining threads of its own that were started when the process ran
// `before` threads: waits a moment (at most 100 ms) until they are no
// longer listed, as an ended thread can stay listed briefly after a join.
void AwaitJoinedThreadsGone(int before);
