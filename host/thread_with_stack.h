// Running work on a thread whose stack is as large as a host's thread may
// give, not the larger one a program's main thread has.
#pragma once

#include <cstddef>
#include <functional>

// The stack a host's thread may give a study's call: 1 MB, as large as the
// host's threads have (a program's main thread has more).
inline constexpr std::size_t kHostThreadStackBytes = std::size_t{1} << 20;

// Runs `work` on a new thread with a stack of `stack_bytes`, and waits for
// it to end. False when no such thread could be started.
bool RunOnThreadWithStack(std::size_t stack_bytes, const std::function<void()>& work);
