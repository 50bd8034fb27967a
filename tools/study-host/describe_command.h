// study-host describe: what a module declares.
#pragma once

#include <string>

#include "channel.h"

// In a child: loads the module at `path`, makes the defaults call and sends
// the report on `channel`. Throws ToolError when the module cannot be loaded.
void DescribeInChild(const std::string& path, const ChannelWriter& channel);
