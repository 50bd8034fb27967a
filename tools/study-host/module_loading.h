// Loading the module a command names, refusing one this host cannot drive.
#pragma once

#include <string>

#include "host/study_module.h"

// Loads `path` and checks its interface version. Throws ToolError (module)
// with the loader's reason, the missing export, or both version numbers.
// Runs the module's code: only ever called in a child.
void LoadModuleForHost(const std::string& path, StudyModule& module);

// Refuses, without loading it, a module path that names no regular file.
// Throws ToolError (module).
void CheckModuleFile(const std::string& path);
