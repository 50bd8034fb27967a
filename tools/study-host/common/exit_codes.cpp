#include "tools/study-host/common/exit_codes.h"

std::string ExitCodesHelp() {
  std::string help = "exit codes:\n";
  for (const ExitCodeMeaning& exit : kExitCodes) {
    help += "  " + std::to_string(exit.code) + "  " + std::string(exit.meaning) + "\n";
  }
  help.pop_back();  // the help adds its own line end
  return help;
}
