#include "host/study_module.h"

namespace {

template <typename Export>
bool Resolve(const DynamicLibrary& library, const char* name, Export& target) {
  void* address = library.Symbol(name);
  if (address == nullptr) return false;
  target = reinterpret_cast<Export>(address);
  return true;
}

}  // namespace

ModuleLoadError LoadStudyModule(const std::string& path, StudyModule& module, std::string& reason) {
  if (!module.library.Open(path, reason)) return ModuleLoadError::kNotLoadable;
  if (!Resolve(module.library, kModuleNameExport, module.name)) {
    reason = std::string("missing export ") + kModuleNameExport;
  } else if (!Resolve(module.library, kModuleVersionExport, module.version)) {
    reason = std::string("missing export ") + kModuleVersionExport;
  } else if (!Resolve(module.library, kStudyFunctionExport, module.study)) {
    reason = std::string("missing export ") + kStudyFunctionExport;
  } else {
    return ModuleLoadError::kNone;
  }
  module.library.Close();
  return ModuleLoadError::kMissingExport;
}
