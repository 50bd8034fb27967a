#include "tools/study-host/session/module_session.h"

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/tool_error.h"

std::string ModuleSession::Load(const std::string& path, LoadDepth depth) {
  Announce("loading the module");
  std::string reason;
  if (depth == LoadDepth::kLibrary) {
    module_.library.Open(path, reason);
  } else {
    LoadStudyModule(path, module_, reason);
  }
  return reason;
}

void ModuleSession::LoadForHost(const std::string& path) {
  Announce("loading the module");
  std::string reason;
  switch (LoadStudyModule(path, module_, reason)) {
    case ModuleLoadError::kNone:
      break;
    case ModuleLoadError::kNotLoadable:
      throw ToolError(kExitModule, "cannot load '" + path + "': " + reason);
    case ModuleLoadError::kMissingExport:
      throw ToolError(kExitModule, "'" + path + "' is not a study module: " + reason);
  }
  const std::int32_t version = module_.version();
  if (version != kHostInterfaceVersion) {
    throw ToolError(kExitModule, "'" + path + "' expects host interface version " +
                                     std::to_string(version) + "; this host provides " +
                                     std::to_string(kHostInterfaceVersion));
  }
}

void ModuleSession::Unload() {
  if (!module_.library.is_open()) return;
  Announce("unloading the module");
  module_.library.Close();
}

void CheckModuleFile(const std::string& path) {
  const FileStatus status = StatusOf(path);
  if (status.kind == FileKind::kMissing) {
    throw ToolError(kExitModule, "cannot load '" + path + "': " + status.problem);
  }
  if (status.kind != FileKind::kRegular) {
    throw ToolError(kExitModule, "cannot load '" + path + "': not a regular file");
  }
}
