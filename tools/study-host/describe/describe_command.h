// study-host describe: what a module declares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"

struct DescribeSettings {
  std::string module_path;   // the file to load (see ModuleToLoad)
  std::string module_named;  // as the command line named it; "" when it named none
  std::string study;         // the study function to describe; "": every one
  bool json = false;         // the declaration as JSON
  std::optional<std::int32_t> timeout_seconds;  // per call; none: the default
};

// In the tool: runs the command in a child started with the tool's own
// `arguments`, printing its report. Returns the exit code.
int RunInTool(const DescribeSettings& settings, const std::vector<std::string>& arguments);

// In a child: loads the module, makes the defaults call and sends the
// report on `channel`. Throws ToolError when the module cannot be loaded.
void RunInChild(const DescribeSettings& settings, const ChannelWriter& channel);
