// study-host describe: what a module declares.
#pragma once

#include <string>

// The report for the module at `path`. Throws ToolError when it cannot be loaded.
std::string DescribeModule(const std::string& path);
