#include "tools/study-host/session/module_session.h"

#include <exception>

#include "host/capability_calls.h"
#include "host/module_file.h"
#include "host/stand_in_host.h"
#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/sandbox/own_output.h"

namespace {

// The study function of the module this child loaded (a child loads one).
StudyFunctionExport loaded_study = nullptr;

// The study function as the child calls it: an exception that comes out of
// it is the module's fault, unless a host service of the tool's threw it.
void GuardedStudy(StudyInterface* record) {
  try {
    const capability_calls::ModuleCodeScope module_code(capability_calls::ModuleCode::kCall);
    loaded_study(record);
  } catch (...) {
    if (StandInHost::TakeServiceFailure()) throw;
    std::string what = "of unknown type";
    try {
      throw;
    } catch (const std::exception& error) {
      what = std::string("'") + error.what() + "'";
    } catch (...) {
    }
    throw ToolError(kExitModule,
                    "the module let an exception " + what + " out of its study function");
  }
}

}  // namespace

void ModuleSession::GuardStudy() {
  capability_calls::WatchModule(module_.library);  // from here on, on Windows too
  StandInHost::TakeServiceFailure();
  loaded_study = module_.study;
  module_.study = &GuardedStudy;
}

// Counts the module's output while it lives into `total`.
class OutputCounted {
 public:
  explicit OutputCounted(std::uint64_t& total) : total_(total), before_(OwnOutputBytes()) {}
  ~OutputCounted() { total_ += OwnOutputBytes() - before_; }
  OutputCounted(const OutputCounted&) = delete;
  OutputCounted& operator=(const OutputCounted&) = delete;

 private:
  std::uint64_t& total_;
  std::uint64_t before_;
};

std::string ModuleSession::Load(const std::string& path, LoadDepth depth) {
  Announce("loading the module");
  const OutputCounted counted(output_at_load_and_unload_);
  const capability_calls::ModuleCodeScope module_code(capability_calls::ModuleCode::kLoad);
  capability_calls::WatchLoadOf(path);
  std::string reason;
  if (depth == LoadDepth::kLibrary) {
    module_.library.Open(path, reason);
  } else {
    if (LoadStudyModule(path, module_, reason) == ModuleLoadError::kNone) GuardStudy();
  }
  return reason;
}

void ModuleSession::LoadForHost(const std::string& path) {
  Announce("loading the module");
  const OutputCounted counted(output_at_load_and_unload_);
  const capability_calls::ModuleCodeScope module_code(capability_calls::ModuleCode::kLoad);
  capability_calls::WatchLoadOf(path);
  std::string reason;
  switch (LoadStudyModule(path, module_, reason)) {
    case ModuleLoadError::kNone:
      GuardStudy();
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
  const OutputCounted counted(output_at_load_and_unload_);
  const capability_calls::ModuleCodeScope module_code(capability_calls::ModuleCode::kUnload);
  module_.library.Close();
}

void RefuseUnloadableModule(const std::string& path) {
  const std::string problem = ModuleFileProblemAt(path);
  if (!problem.empty()) throw ToolError(kExitModule, "cannot load '" + path + "': it " + problem);
}
