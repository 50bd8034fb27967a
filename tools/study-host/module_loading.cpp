#include "module_loading.h"

#include "tool_error.h"

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
