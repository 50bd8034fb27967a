#include "module_loading.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "tool_error.h"

void CheckModuleFile(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    throw ToolError(kExitModule, "cannot load '" + path + "': " + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) {
    throw ToolError(kExitModule, "cannot load '" + path + "': not a regular file");
  }
}

void LoadModuleForHost(const std::string& path, StudyModule& module) {
  std::string reason;
  switch (LoadStudyModule(path, module, reason)) {
    case ModuleLoadError::kNone:
      break;
    case ModuleLoadError::kNotLoadable:
      throw ToolError(kExitModule, "cannot load '" + path + "': " + reason);
    case ModuleLoadError::kMissingExport:
      throw ToolError(kExitModule, "'" + path + "' is not a study module: " + reason);
  }
  const std::int32_t version = module.version();
  if (version != kHostInterfaceVersion) {
    throw ToolError(kExitModule, "'" + path + "' expects host interface version " +
                                     std::to_string(version) + "; this host provides " +
                                     std::to_string(kHostInterfaceVersion));
  }
}
