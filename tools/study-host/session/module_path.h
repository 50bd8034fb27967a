// Which module a command loads, as traders name it: the file named, from
// the working folder or, when a relative name is not found there, from the
// folder the tool lies in (a tool started from elsewhere, the DLL beside
// it); with none named, the study's own file beside the tool.
#pragma once

#include <string>

// The study's file as it lies beside the tool: zrPalvessa_64.dll on
// Windows, its Linux stand-in zrPalvessa_64.so elsewhere.
extern const char* const kModuleBesideTool;

// The path to load for `named` ("" when no module was named); the name as
// given when it is found nowhere, for CheckModuleFile to say so.
std::string ModuleToLoad(const std::string& named);

// Throws ToolError (module) when `path`, which ModuleToLoad gave for
// `named`, is no regular file, saying where it was looked for.
void CheckModuleFile(const std::string& path, const std::string& named);
