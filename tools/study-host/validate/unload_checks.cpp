// A module is unloaded while the host goes on: its texts in the host's
// records must be the host's to keep (never pointing into its image, never
// handed over without ownership), it must really go, and the whole process
// it could change must be as before it was loaded: the census, and the
// runtime libraries' own data compared whole (see library_data_watch.h).
#include <string>
#include <vector>

#include "host/library_data_watch.h"
#include "host/process_census.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "judge/declaration.h"
#include "judge/judged_study.h"
#include "tools/study-host/session/module_session.h"
#include "tools/study-host/validate/reference_module.h"
#include "tools/study-host/validate/unload_checks.h"

namespace {

// A declared text and what it is, in words.
struct DeclaredText {
  const StudyText* value;
  std::string name;
};

std::vector<DeclaredText> DeclaredTexts(StandInHost& host) {
  std::vector<DeclaredText> texts = {{&host.record().display_name, "the display name"},
                                     {&host.record().description, "the description"}};
  for (std::int32_t slot = 0; slot < host.slot_count(); ++slot) {
    texts.push_back({&host.input(slot).name, "the name of input " + std::to_string(slot)});
  }
  return texts;
}

// The first text of the host's record that points into the module's own
// image, in words; "" when none does.
std::string TextInImage(StandInHost& host, const DynamicLibrary& module) {
  for (const DeclaredText& declared : DeclaredTexts(host)) {
    if (declared.value->text != nullptr && module.Defines(declared.value->text)) {
      return declared.name;
    }
  }
  return "";
}

// The first text the module declared without handing it over: not the
// value's own empty string, yet not owned by the value (the host keeps it,
// and never frees it, while the module may free or change it).
std::string TextWithoutOwnership(StandInHost& host) {
  for (const DeclaredText& declared : DeclaredTexts(host)) {
    const StudyText& value = *declared.value;
    if (value.text != nullptr && value.text != value.empty && value.owned == 0) {
      return declared.name;
    }
  }
  return "";
}

// What a module never sees: a study function that does nothing.
void DoesNothing(StudyInterface* /*record*/) {}

// The tool's own work in this check, with its own module that does
// nothing in the module's place: loaded and unloaded as the module is, the
// same calls, the same census; what they change in the libraries is
// learned.
void ToolWorkAlone(const CheckContext& context, const std::string& reference) {
  ModuleSession session([&context](const std::string& phase) {
    context.session->Announce(phase + " (the tool's own module that does nothing)");
  });
  if (!reference.empty()) static_cast<void>(session.Load(reference, LoadDepth::kLibrary));
  {
    // As the check does: the study read from its defaults calls, then a
    // defaults call and an ordinary one.
    const judge::JudgedStudy study = judge::JudgeStudy("scsf_DoesNothing", &DoesNothing);
    StandInHost host({.slot_count = judge::kOfferedInputSlots});
    host.CallDefaults(study);
    judge::ApplyInputChoice(host.record(), study.declaration, judge::InputChoice::kFirstYesNoOn);
    host.CallOrdinary(study);
  }
  session.Unload();
  static_cast<void>(TakeProcessCensus());
}

}  // namespace

CheckResult CheckUnloadsCleanly(const CheckContext& context) {
  context.Announce("learning what the runtime libraries change by themselves");
  const ReferenceModuleFile reference;
  RuntimeLibraryWatch libraries(
      [&context, &reference] { ToolWorkAlone(context, reference.path()); });
  const std::string reason =
      context.session->Load(context.path, LoadDepth::kExports, context.study_name);
  if (!reason.empty()) return Failed("loading the module failed: " + reason);
  const DynamicLibrary& module = context.session->module().library;
  {
    StandInHost host({.slot_count = judge::kOfferedInputSlots});
    context.Announce("the defaults call");
    host.CallDefaults(context.study());
    const std::string text = TextInImage(host, module);
    if (!text.empty()) {
      return Failed(text +
                    " the module declared points into its own image: the host keeps it, and " +
                    "it dangles once the module is unloaded");
    }
    const std::string unowned = TextWithoutOwnership(host);
    if (!unowned.empty()) {
      return Failed(unowned +
                    " the module declared is text handed over without ownership (its owned flag "
                    "is 0): the host keeps it and never frees it, while the module may free or "
                    "change it under the host");
    }
    context.Announce("an ordinary call");
    judge::ApplyInputChoice(host.record(), context.study().declaration,
                            judge::InputChoice::kFirstYesNoOn);
    host.set_position(3);
    host.CallOrdinary(context.study());
  }
  const void* code = module.Symbol(context.study_name.c_str());
  context.session->Unload();
  if (AddressInLoadedModule(code)) {
    return Failed("the module is still loaded after it was unloaded: it keeps itself in memory");
  }
  const std::string change = context.ProcessChanges(CensusScope::kWhole);
  if (!change.empty()) return Failed("after unloading the module, " + change);
  context.Announce("comparing the runtime libraries' own data with the data before loading");
  const std::vector<std::string> library_changes = libraries.Changes();
  if (!library_changes.empty()) {
    return Failed("after unloading the module, the runtime libraries' own data differs: " +
                  JoinedChangeWords(library_changes));
  }
  return Passed(
      "gone once unloaded, the whole process and the runtime libraries' own data as before "
      "loading; no declared text in its image or handed over without ownership");
}
