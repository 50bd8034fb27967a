// A run stopped from outside: Ctrl+C, a request to end, its terminal or
// console window closed. The handler only notes it (and ends the running
// child); the tool then unwinds as from an error, so every file it writes is
// left whole or not at all, every temporary folder is removed, and it ends
// with the conventional exit code, saying it was stopped.
#pragma once

#include <string>

// What stopped the run: the exit code to end with, and how it was stopped
// in words ("Ctrl+C").
struct Interruption {
  int exit_code = 0;
  std::string how;
};

// From the handler (async-signal-safe): `event` is the signal number on
// Linux, the console event on Windows. Returns false when one came before,
// so a second Ctrl+C can end the tool at once.
bool NoteInterruption(int event) noexcept;

// Whether the run was stopped.
bool WasInterrupted() noexcept;

// When the run was stopped, throws its Interruption.
void ThrowIfInterrupted();
