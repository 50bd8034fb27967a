// study-host validate: named checks, each in a child process, so a module
// that crashes or hangs fails its check instead of taking the tool down.
#pragma once

#include <cstdint>
#include <string>

struct ValidateReport {
  std::string text;  // one line per check, then the summary
  int failed = 0;
};

// Runs every check against the module at `path`. Throws ToolError (module)
// when the file cannot be loaded at all.
ValidateReport ValidateModule(const std::string& path, std::uint64_t seed,
                              std::int32_t random_calls);

// In the child: runs one check and prints its result line. Returns the
// process exit code.
int RunCheckInThisProcess(const std::string& check_name, const std::string& path,
                          std::uint64_t seed, std::int32_t random_calls);
