// study-host replay: what a module writes as the position changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/session/input_settings.h"

struct ReplaySettings {
  std::string module_path;                   // the file to load (see ModuleToLoad)
  std::string module_named;                  // as the command line named it; "" when it named none
  std::string study;                         // the study function to replay; "": the only one
  std::vector<InputSetting> inputs;          // applied after the defaults call
  std::optional<std::string> position_list;  // "0,3,-3,0"
  std::optional<std::string> session_file;   // or a session file (see FindSessionFile)
  std::string session_note;                  // why it is not the name given; "" when it is
  bool host_call_flag = false;               // set on every call
  bool json = false;                         // one JSON object per step
  std::optional<std::string> chart_file;     // an SVG picture of the steps, drawn there
  std::optional<std::int32_t> timeout_seconds;  // per call; none: the default
};

// In the tool: runs the command in a child started with the tool's own
// `arguments`, printing each step as it comes, then draws the chart when
// asked. Returns the exit code.
int RunInTool(const ReplaySettings& settings, const std::vector<std::string>& arguments);

// In a child: loads the module, makes the defaults call, applies the
// settings, then one ordinary call per position, sending each step's line on
// `channel` as it is made, and at the end the chart's columns and caption
// as its result when asked. Throws ToolError on the first fault; the steps
// already sent stay.
void RunInChild(const ReplaySettings& settings, const ChannelWriter& channel);
