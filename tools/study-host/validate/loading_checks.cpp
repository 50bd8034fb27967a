// Checks of loading: the module loads and unloads, its exports are its own,
// and it reports the version and name the host expects.
#include <cstring>
#include <string>
#include <vector>

#include "host/module_deployment.h"
#include "host/module_exports.h"
#include "host/module_file.h"
#include "judge/expected_declaration.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/validate/loading_checks.h"
#include "tools/study-host/validate/state_checks.h"

namespace {

// What a host's machine lacks that the module needs, in words; "" when it
// lacks nothing.
std::string MissingOnAHostsMachine(const DeploymentJudgment& judgment) {
  if (judgment.failures.empty()) return "";
  std::string needs;
  for (std::size_t index = 0; index < judgment.failures.size(); ++index) {
    needs += (index == 0 ? "" : "; ") + judgment.failures[index];
  }
  return "it needs " + needs +
         ": a host loads it from a folder that holds only the module, with nothing but the "
         "system's libraries";
}

}  // namespace

CheckResult CheckModuleLoads(const CheckContext& context) {
  const std::string problem = ModuleFileProblemAt(context.path);
  if (!problem.empty()) return Failed("the module file " + problem);
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) {
    const std::string missing = MissingOnAHostsMachine(JudgeDeployment(context.path));
    return Failed("from a folder holding only the module, " + reason +
                  (missing.empty() ? "" : " (" + missing + ")"));
  }
  const std::string threads = ThreadsLeftBy(context, "after loading the module");
  if (!threads.empty()) return Failed(threads);
  context.session->Unload();
  return Passed("loads and unloads, every symbol bound at load");
}

CheckResult CheckExportsResolve(const CheckContext& context) {
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) return Failed(reason);
  const DynamicLibrary& library = context.session->module().library;
  for (const char* name : {kModuleNameExport, kModuleVersionExport, kStudyFunctionExport}) {
    void* address = library.Symbol(name);
    if (address == nullptr) return Failed(std::string("missing export ") + name);
    if (!library.Defines(address)) {
      return Failed(std::string(name) + " resolves outside the module, into another library");
    }
  }
  return Passed(std::string(kModuleNameExport) + ", " + kModuleVersionExport + " and " +
                kStudyFunctionExport + " resolve to the module's own code");
}

namespace {

constexpr const char* kOwnExports[] = {kModuleNameExport, kModuleVersionExport,
                                       kStudyFunctionExport};

bool IsOwnExport(const std::string& name) {
  for (const char* own : kOwnExports) {
    if (name == own) return true;
  }
  return false;
}

// An export beyond the three, in words: a second study, a module item of its
// own, or any other function.
std::string OtherExport(const std::string& name) {
  if (name.rfind("scsf_", 0) == 0) return "a second study function, " + name;
  if (name.rfind("scdll_", 0) == 0) return "a module item of its own, " + name;
  return name;
}

}  // namespace

CheckResult CheckOnlyItsExports(const CheckContext& context) {
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) return Failed(reason);
  const ModuleExports exports = ExportsOf(context.session->module().library, context.path);
  if (!exports.read) return Failed("cannot read the module's exports: " + exports.problem);
  // A second study and module items first: they matter most to a host.
  std::vector<std::string> others;
  for (const bool study_shaped : {true, false}) {
    for (const std::string& name : exports.names) {
      const bool shaped = name.rfind("scsf_", 0) == 0 || name.rfind("scdll_", 0) == 0;
      if (!IsOwnExport(name) && shaped == study_shaped) others.push_back(OtherExport(name));
    }
  }
  if (!others.empty()) {
    std::string named;
    const std::size_t shown = others.size() < 4 ? others.size() : 3;
    for (std::size_t index = 0; index < shown; ++index) {
      named += (index == 0 ? "" : ", ") + others[index];
    }
    if (others.size() > shown) named += " and " + std::to_string(others.size() - shown) + " more";
    return Failed("exports " + named + " besides its three (" + kModuleNameExport + ", " +
                  kModuleVersionExport + ", " + kStudyFunctionExport + ")");
  }
  if (exports.unnamed > 0) {
    return Failed("exports " + Counted(exports.unnamed, "function", "functions") +
                  " by number only besides its three");
  }
  if (!exports.directory_name.empty() &&
      Lowercase(exports.directory_name) != Lowercase(judge::kExpectedModuleFile)) {
    return Failed("its export directory names it '" + Escaped(exports.directory_name) + "', not " +
                  judge::kExpectedModuleFile);
  }
  std::string passed = std::string("exports exactly ") + kModuleNameExport + ", " +
                       kModuleVersionExport + " and " + kStudyFunctionExport;
  if (!exports.directory_name.empty()) passed += std::string(", as ") + judge::kExpectedModuleFile;
  for (std::size_t index = 0; index < exports.imports.size(); ++index) {
    passed += (index == 0 ? "; imports from " : ", ") + Escaped(exports.imports[index]);
  }
  return Passed(passed);
}

CheckResult CheckInterfaceVersion(const CheckContext& context) {
  context.Announce("the call of " + std::string(kModuleVersionExport));
  const std::int32_t version = context.session->module().version();
  if (version != kHostInterfaceVersion) {
    return Failed("module reports " + std::to_string(version) + ", this host provides " +
                  std::to_string(kHostInterfaceVersion));
  }
  return Passed(std::to_string(version));
}

CheckResult CheckModuleName(const CheckContext& context) {
  context.Announce("the call of " + std::string(kModuleNameExport));
  const char* name = context.session->module().name();
  if (name == nullptr) return Failed(std::string(kModuleNameExport) + " returns null");
  if (std::strcmp(name, judge::kExpectedModuleName) != 0) {
    return Failed(std::string(kModuleNameExport) + " returns \"" + name + "\", expected \"" +
                  judge::kExpectedModuleName + "\"");
  }
  return Passed(std::string("\"") + name + "\", matching its study function " +
                kStudyFunctionExport);
}

CheckResult CheckLoadsAlone(const CheckContext& context) {
  const DeploymentJudgment judgment = JudgeDeployment(context.path);
  if (!judgment.read) return Failed("cannot read the module file's headers");
  const std::string missing = MissingOnAHostsMachine(judgment);
  if (!missing.empty()) return Failed(missing);
  std::string imports;
  for (const std::string& name : judgment.imports) imports += (imports.empty() ? "" : ", ") + name;
  std::string detail = "needs only the system's libraries (" + imports + ")";
  if (judgment.warnings.empty()) return Passed(detail);
  for (const std::string& warning : judgment.warnings) detail += "; but it " + warning;
  return CheckResult{Outcome::kWarning, detail};
}
