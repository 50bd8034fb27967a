// A thread the host calls a module from.
#pragma once

// Makes this thread's own storage of the host (what module code it runs,
// which service failed) and the runtime's record of the thread now, as each
// is made on first use: on Windows the runtime's brings kernel objects of
// its own, which a census of the process must not take for the module's.
void PrepareHostThread();
