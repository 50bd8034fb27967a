// How many threads this process runs: a module must start none, so the
// count after loading it and after its calls is the count before.
#pragma once

// The threads of this process now; -1 where it cannot be counted.
int ThreadsInProcess();
