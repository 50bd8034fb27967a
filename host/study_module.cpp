#include "host/study_module.h"

#include "host/module_exports.h"

namespace {

template <typename Export>
bool Resolve(const DynamicLibrary& library, const char* name, Export& target) {
  void* address = library.Symbol(name);
  if (address == nullptr) return false;
  target = reinterpret_cast<Export>(address);
  return true;
}

// The study functions of the loaded `module`, from the export table of the
// file at `path`.
std::vector<NamedStudyFunction> StudyFunctionsOf(const DynamicLibrary& module,
                                                 const std::string& path) {
  std::vector<NamedStudyFunction> studies;
  const ModuleExports exports = ExportsOf(module, path);
  for (const std::string& name : exports.names) {
    NamedStudyFunction study{name, nullptr};
    if (IsStudyFunctionName(name) && Resolve(module, name.c_str(), study.function)) {
      studies.push_back(study);
    }
  }
  return studies;
}

// Whether `given` names the export `name`: in full, or without its prefix.
bool Names(const std::string& given, const std::string& name) {
  return given == name || std::string(kStudyFunctionPrefix) + given == name;
}

}  // namespace

bool IsStudyFunctionName(const std::string& export_name) {
  const std::string prefix = kStudyFunctionPrefix;
  return export_name.size() > prefix.size() && export_name.compare(0, prefix.size(), prefix) == 0;
}

std::string StudyNames(const StudyModule& module) {
  std::string names;
  for (const NamedStudyFunction& study : module.studies) {
    names += (names.empty() ? "" : ", ") + study.name;
  }
  return names;
}

std::string ChooseStudy(StudyModule& module, const std::string& wanted) {
  if (wanted.empty() && module.studies.size() == 1) {
    module.study = module.studies.front().function;
    module.study_name = module.studies.front().name;
    return "";
  }
  for (const NamedStudyFunction& study : module.studies) {
    if (!wanted.empty() && Names(wanted, study.name)) {
      module.study = study.function;
      module.study_name = study.name;
      return "";
    }
  }
  if (wanted.empty()) {
    return "it has " + std::to_string(module.studies.size()) + " study functions (" +
           StudyNames(module) + "): name one with --study";
  }
  return "it has no study function " + wanted + "; its study functions: " + StudyNames(module);
}

ModuleLoadError LoadStudyModule(const std::string& path, StudyModule& module, std::string& reason,
                                const std::string& wanted, bool all_studies) {
  if (!module.library.Open(path, reason)) return ModuleLoadError::kNotLoadable;
  return ResolveStudyModule(path, module, reason, wanted, all_studies);
}

ModuleLoadError ResolveStudyModule(const std::string& path, StudyModule& module,
                                   std::string& reason, const std::string& wanted,
                                   bool all_studies) {
  ModuleLoadError error = ModuleLoadError::kMissingExport;
  module.studies = StudyFunctionsOf(module.library, path);
  if (!Resolve(module.library, kModuleNameExport, module.name)) {
    reason = std::string("missing export ") + kModuleNameExport;
  } else if (!Resolve(module.library, kModuleVersionExport, module.version)) {
    reason = std::string("missing export ") + kModuleVersionExport;
  } else if (module.studies.empty()) {
    reason = std::string("it exports no study function (no export whose name begins ") +
             kStudyFunctionPrefix + ")";
  } else if (all_studies && wanted.empty()) {
    if (module.studies.size() == 1) ChooseStudy(module, "");
    return ModuleLoadError::kNone;
  } else {
    reason = ChooseStudy(module, wanted);
    if (reason.empty()) return ModuleLoadError::kNone;
    error = ModuleLoadError::kStudyNotChosen;
  }
  module.library.Close();
  module.studies.clear();
  return error;
}
