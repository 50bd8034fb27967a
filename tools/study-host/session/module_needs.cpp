#include "tools/study-host/session/module_needs.h"

#include "host/module_deployment.h"

std::string NeedsBeyondTheSystem(const std::string& path) {
  const DeploymentJudgment judgment = JudgeDeployment(path);
  if (judgment.failures.empty()) return "";
  std::string needs;
  for (std::size_t index = 0; index < judgment.failures.size(); ++index) {
    needs += (index == 0 ? "" : "; ") + judgment.failures[index];
  }
  return "it needs " + needs;
}
