// The tool's standard output. A write that fails (a full disk, a closed pipe)
// ends the command with kExitOutput instead of going unnoticed.
#pragma once

#include <string>
#include <string_view>

// Writes `text`; throws ToolError (output) when it cannot.
void WriteOutput(std::string_view text);

// Writes out what is buffered; throws ToolError (output) when it cannot.
void FlushOutput();

// Writes "study-host: MESSAGE" as one line on standard error, control
// characters escaped.
void ReportError(const std::string& message);
