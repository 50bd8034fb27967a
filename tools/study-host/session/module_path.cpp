#include "tools/study-host/session/module_path.h"

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/tool_error.h"

#if defined(_WIN32)
const char* const kModuleBesideTool = "zrPalvessa_64.dll";
constexpr char kSeparator = '\\';
#else
const char* const kModuleBesideTool = "zrPalvessa_64.so";
constexpr char kSeparator = '/';
#endif

namespace {

std::string BesideTool(const std::string& name) {
  const std::string folder = ToolFolder();
  return folder.empty() ? "" : folder + kSeparator + name;
}

}  // namespace

std::string ModuleToLoad(const std::string& named) {
  if (named.empty()) {
    const std::string beside = BesideTool(kModuleBesideTool);
    return beside.empty() ? kModuleBesideTool : beside;
  }
  if (IsRelativePath(named) && StatusOf(named).kind == FileKind::kMissing) {
    const std::string beside = BesideTool(named);
    if (!beside.empty() && StatusOf(beside).kind != FileKind::kMissing) return beside;
  }
  return named;
}

void CheckModuleFile(const std::string& path, const std::string& named) {
  const FileStatus status = StatusOf(path);
  if (status.kind == FileKind::kMissing) {
    if (named.empty()) {
      throw ToolError(kExitUsage, std::string("give the module to load: none was named, and no ") +
                                      kModuleBesideTool + " lies beside study-host (in '" +
                                      ToolFolder() + "')");
    }
    if (IsRelativePath(named)) {
      throw ToolError(kExitModule, "cannot load '" + named +
                                       "': it is neither in the working folder ('" +
                                       WorkingFolderPath() + "') nor beside study-host (in '" +
                                       ToolFolder() + "')");
    }
    throw ToolError(kExitModule, "cannot load '" + path + "': " + status.problem);
  }
  if (status.kind != FileKind::kRegular) {
    throw ToolError(kExitModule, "cannot load '" + path + "': not a regular file");
  }
}
