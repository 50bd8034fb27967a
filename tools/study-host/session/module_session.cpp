#include "tools/study-host/session/module_session.h"

#include <exception>

#include "host/capability_calls.h"
#include "host/module_file.h"
#include "host/stand_in_host.h"
#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/sandbox/own_output.h"
#include "tools/study-host/session/module_needs.h"

namespace {

// After a load the loader refused: what the module needs that this machine
// lacks, when that is why.
std::string MissingLibrariesNote(const std::string& path) {
  const std::string needs = NeedsBeyondTheSystem(path);
  return needs.empty() ? "" : " (" + needs + ")";
}

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
  if (module_.study == nullptr) return;
  loaded_study = module_.study;
  module_.study = &GuardedStudy;
}

void ModuleSession::ChooseStudy(const std::string& study) {
  const std::string problem = ::ChooseStudy(module_, study);
  if (!problem.empty()) throw ToolError(kExitUsage, problem);
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

std::string ModuleSession::Load(const std::string& path, LoadDepth depth,
                                const std::string& study) {
  std::string reason;
  if (!OpenLibrary(path, reason) || depth == LoadDepth::kLibrary) return reason;
  // The export table is the tool's to read, after the module's own code ran.
  if (ResolveStudyModule(path, module_, reason, study, /*all_studies=*/true) ==
      ModuleLoadError::kNone) {
    GuardStudy();
  }
  return reason;
}

bool ModuleSession::OpenLibrary(const std::string& path, std::string& reason) {
  Announce("loading the module");
  const OutputCounted counted(output_at_load_and_unload_);
  const capability_calls::ModuleCodeScope module_code(capability_calls::ModuleCode::kLoad);
  capability_calls::WatchLoadOf(path);
  return module_.library.Open(path, reason);
}

void ModuleSession::LoadForHost(const std::string& path, const std::string& study,
                                bool all_studies) {
  std::string reason;
  const ModuleLoadError error = OpenLibrary(path, reason)
                                    ? ResolveStudyModule(path, module_, reason, study, all_studies)
                                    : ModuleLoadError::kNotLoadable;
  switch (error) {
    case ModuleLoadError::kNone:
      GuardStudy();
      break;
    case ModuleLoadError::kNotLoadable:
      throw ToolError(kExitModule,
                      "cannot load '" + path + "': " + reason + MissingLibrariesNote(path));
    case ModuleLoadError::kMissingExport:
      throw ToolError(kExitModule, "'" + path + "' is not a study module: " + reason);
    case ModuleLoadError::kStudyNotChosen:
      throw ToolError(kExitUsage, "'" + path + "': " + reason);
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
