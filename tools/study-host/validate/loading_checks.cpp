// Checks of loading: the module loads and unloads, its exports are its own,
// and it reports the version and name the host expects.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/module_deployment.h"
#include "host/module_exports.h"
#include "host/module_file.h"
#include "judge/declaration_lint.h"
#include "judge/known_rules.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/session/module_needs.h"
#include "tools/study-host/validate/loading_checks.h"
#include "tools/study-host/validate/state_checks.h"

namespace {

// What a host's machine lacks that the module needs, in words; "" when it
// lacks nothing.
std::string MissingOnAHostsMachine(const std::string& path) {
  const std::string needs = NeedsBeyondTheSystem(path);
  if (needs.empty()) return "";
  return needs +
         ": a host loads it from a folder that holds only the module, with nothing but the "
         "system's libraries";
}

}  // namespace

CheckResult CheckModuleLoads(const CheckContext& context) {
  const std::string problem = ModuleFileProblemAt(context.path);
  if (!problem.empty()) return Failed("the module file " + problem);
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) {
    const std::string missing = MissingOnAHostsMachine(context.path);
    return Failed("from a folder holding only the module, " + reason +
                  (missing.empty() ? "" : " (" + missing + ")"));
  }
  const std::string threads = ThreadsLeftBy(context, "after loading the module");
  if (!threads.empty()) return Failed(threads);
  context.session->Unload();
  return Passed("loads and unloads, every symbol bound at load");
}

namespace {

// The module's study functions, from its export table.
std::vector<std::string> StudyFunctionsOf(const ModuleExports& exports) {
  std::vector<std::string> studies;
  for (const std::string& name : exports.names) {
    if (IsStudyFunctionName(name)) studies.push_back(name);
  }
  return studies;
}

// The rule the tool knows for one of the module's study functions, if any:
// then the module is one whose exports and name that rule fixes.
const judge::StudyRule* KnownRuleOf(const std::vector<std::string>& studies) {
  for (const std::string& study : studies) {
    if (const judge::StudyRule* rule = judge::KnownRuleFor(study)) return rule;
  }
  return nullptr;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string listed;
  const std::size_t shown = names.size() < 4 ? names.size() : 3;
  for (std::size_t index = 0; index < shown; ++index) {
    listed += (index == 0 ? "" : ", ") + names[index];
  }
  if (names.size() > shown) listed += " and " + std::to_string(names.size() - shown) + " more";
  return listed;
}

// The exports a host looks for: the name, the version and the study
// functions (a study whose rule the tool knows: exactly its own one).
std::vector<std::string> OwnExports(const std::vector<std::string>& studies,
                                    const judge::StudyRule* rule) {
  std::vector<std::string> own{kModuleNameExport, kModuleVersionExport};
  if (rule != nullptr) {
    own.emplace_back(rule->study_function());
  } else {
    own.insert(own.end(), studies.begin(), studies.end());
  }
  return own;
}

// An export beyond the module's own, in words: a second study, a module
// item of its own, or any other function.
std::string OtherExport(const std::string& name) {
  if (IsStudyFunctionName(name)) return "a second study function, " + name;
  if (name.rfind("scdll_", 0) == 0) return "a module item of its own, " + name;
  return name;
}

}  // namespace

CheckResult CheckExportsResolve(const CheckContext& context) {
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) return Failed(reason);
  const DynamicLibrary& library = context.session->module().library;
  const ModuleExports exports = ExportsOf(library, context.path);
  if (!exports.read) return Failed("cannot read the module's exports: " + exports.problem);
  const std::vector<std::string> studies = StudyFunctionsOf(exports);
  if (studies.empty()) {
    return Failed(std::string("exports no study function (no export whose name begins ") +
                  kStudyFunctionPrefix + "): a host finds a study by such an export");
  }
  std::vector<std::string> names{kModuleNameExport, kModuleVersionExport};
  names.insert(names.end(), studies.begin(), studies.end());
  for (const std::string& name : names) {
    void* address = library.Symbol(name.c_str());
    if (address == nullptr) return Failed("missing export " + name);
    if (!library.Defines(address)) {
      return Failed(name + " resolves outside the module, into another library");
    }
  }
  CheckResult passed = Passed(Listed(names) + " resolve to the module's own code");
  for (const std::string& study : studies) passed.evidence += study + "\n";
  return passed;
}

CheckResult CheckOnlyItsExports(const CheckContext& context) {
  const std::string reason = context.session->Load(context.path, LoadDepth::kLibrary);
  if (!reason.empty()) return Failed(reason);
  const ModuleExports exports = ExportsOf(context.session->module().library, context.path);
  if (!exports.read) return Failed("cannot read the module's exports: " + exports.problem);
  const std::vector<std::string> studies = StudyFunctionsOf(exports);
  const judge::StudyRule* rule = KnownRuleOf(studies);
  const std::vector<std::string> own = OwnExports(studies, rule);
  const auto is_own = [&own](const std::string& name) {
    return std::find(own.begin(), own.end(), name) != own.end();
  };
  // A second study and module items first: they matter most to a host.
  std::vector<std::string> others;
  for (const bool study_shaped : {true, false}) {
    for (const std::string& name : exports.names) {
      const bool shaped = IsStudyFunctionName(name) || name.rfind("scdll_", 0) == 0;
      if (!is_own(name) && shaped == study_shaped) others.push_back(OtherExport(name));
    }
  }
  const std::string theirs = "its own (" + Listed(own) + ")";
  if (!others.empty()) return Failed("exports " + Listed(others) + " besides " + theirs);
  if (exports.unnamed > 0) {
    return Failed("exports " + Counted(exports.unnamed, "function", "functions") +
                  " by number only besides " + theirs);
  }
  const std::string file = rule != nullptr ? std::string(rule->module_file()) : "";
  if (!file.empty() && !exports.directory_name.empty() &&
      Lowercase(exports.directory_name) != Lowercase(file)) {
    return Failed("its export directory names it '" + Escaped(exports.directory_name) + "', not " +
                  file);
  }
  std::string passed = "exports exactly " + Listed(own);
  if (!exports.directory_name.empty()) passed += ", as " + Escaped(exports.directory_name);
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
  const StudyModule& module = context.session->module();
  const char* name = module.name();
  if (name == nullptr) return Failed(std::string(kModuleNameExport) + " returns null");
  const std::string text = name;
  std::vector<std::string> studies;
  for (const NamedStudyFunction& study : module.studies) studies.push_back(study.name);
  if (const judge::StudyRule* rule = KnownRuleOf(studies)) {
    if (text != rule->module_name()) {
      return Failed(std::string(kModuleNameExport) + " returns \"" + Escaped(text) +
                    "\", expected \"" + std::string(rule->module_name()) + "\"");
    }
    return Passed("\"" + text + "\", matching its study function " +
                  std::string(rule->study_function()));
  }
  if (text.empty() || text.size() > judge::kLongestName || Escaped(text) != text) {
    return Failed(std::string(kModuleNameExport) + " returns \"" + Escaped(text) +
                  "\": a host shows the module by this name; return printable text of 1 to " +
                  std::to_string(judge::kLongestName) + " characters");
  }
  const std::string matching = std::string(kStudyFunctionPrefix) + text;
  if (studies.size() == 1 && studies.front() != matching) {
    return Warned("\"" + text + "\", but its study function is " + studies.front() +
                  ": by the host's custom a module's name is its study function's "
                  "without " +
                  kStudyFunctionPrefix);
  }
  return Passed("\"" + text + "\"" +
                (studies.size() == 1 ? ", matching its study function " + studies.front() : ""));
}

CheckResult CheckLoadsAlone(const CheckContext& context) {
  const DeploymentJudgment judgment = JudgeDeployment(context.path);
  if (!judgment.read) return Failed("cannot read the module file's headers");
  const std::string missing = MissingOnAHostsMachine(context.path);
  if (!missing.empty()) return Failed(missing);
  std::string imports;
  for (const std::string& name : judgment.imports) imports += (imports.empty() ? "" : ", ") + name;
  std::string detail = "needs only the system's libraries (" + imports + ")";
  if (judgment.warnings.empty()) return Passed(detail);
  for (const std::string& warning : judgment.warnings) detail += "; but it " + warning;
  return Warned(detail);
}
