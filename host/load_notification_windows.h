// Windows: the loader tells of each DLL it has mapped and bound, before the
// DLL's own start-up code (its TLS callbacks, static constructors, DllMain)
// runs, so that its imports can be redirected before any of its code does.
#pragma once

#include <functional>
#include <string>

// The next DLL loaded whose file name is that of `path` (UTF-8; any
// folder; a trailing dot ignored) is handed to `action` at its base address,
// on the loading thread, before its start-up code runs. One action waits at
// a time: a later call replaces it.
void OnNextLoadOf(const std::string& path, std::function<void(void* base)> action);

// Drops the waiting action, if any.
void ForgetNextLoad();
