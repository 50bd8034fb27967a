// The tool's standard streams as it found them. A stream that whatever
// started the tool closed is given the null device at start-up, so that no
// file the tool opens later takes its number and receives what was meant
// for the stream (the replay's table inside the chart); which were closed
// is remembered, so that output with nowhere to go is refused before any
// step is made.
#pragma once

enum class StandardStream { kInput = 0, kOutput = 1, kError = 2 };

// Gives each closed standard stream the null device (/dev/null, NUL) and
// notes it. Call first thing, before any file is opened.
void TakeStandardStreams();

// Whether `stream` was closed when the tool started.
bool StandardStreamWasClosed(StandardStream stream);

// Throws ToolError (output) when standard output was closed: whatever the
// command prints would reach no one.
void RefuseClosedOutput();
