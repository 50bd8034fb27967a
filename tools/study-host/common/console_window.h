// A console window the tool has to itself: the one Windows opens when the
// tool is double-clicked in Explorer, which closes the moment it ends.
#pragma once

#include <string>

#if defined(_WIN32)
// When this process is alone in its console and reads from it (started
// from Explorer, not from a command window or a script), writes `message`
// and waits for a key, so what was written stays on screen. Elsewhere does
// nothing.
void HoldConsoleOfItsOwn(const std::string& message);
#else
// Other systems give a double-clicked program no console of its own.
inline void HoldConsoleOfItsOwn(const std::string& /*message*/) {}
#endif
