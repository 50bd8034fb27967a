// Windows: a loaded module's imports, listed and redirected. Each import
// slot the loader filled can be pointed at a replacement that calls the
// original, so that what the module calls through it is seen.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The replacement for `function` imported from `library` (lower case), or
// null to leave it; `original` is what the slot holds now.
using ImportReplacement =
    std::function<void*(const std::string& library, const char* function, void* original)>;

// Redirects the imports of the module loaded at `base` that `replacement`
// has a replacement for.
void RedirectImports(void* base, const ImportReplacement& replacement);

// The libraries the module loaded at `base` imports from, as named there.
std::vector<std::string> ImportedLibraries(void* base);
