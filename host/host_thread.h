// A thread the host calls a module from.
#pragma once

// Makes this thread's own storage of the host (what module code it runs,
// which service failed) now, as the C runtime makes it on first use: on
// Windows it brings kernel objects of its own, which a census of the
// process must not take for the module's.
void PrepareHostThread();
