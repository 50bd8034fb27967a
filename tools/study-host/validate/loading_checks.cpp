// Checks of loading: the module loads and unloads, its exports are its own,
// and it reports the version and name the host expects.
#include <cstring>

#include "judge/expected_declaration.h"
#include "tools/study-host/validate/loading_checks.h"
#include "tools/study-host/validate/state_checks.h"

CheckResult CheckModuleLoads(const CheckContext& context) {
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) return Failed(reason);
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
