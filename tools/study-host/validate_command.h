// study-host validate: named checks, each in a child process of its own, so
// a module that crashes, hangs or forks fails its check instead of taking
// the tool down. The tool never loads the module itself.
#pragma once

#include "channel.h"
#include "command_line.h"

// Runs every check against the module, printing each result as it comes.
// Returns the exit code: success, or checks failed.
int ValidateModule(const CommandLine& line);

// In a child: runs the one check the command line names and sends its result.
void RunCheckInChild(const CommandLine& line, const ChannelWriter& channel);
