// A module is unloaded while the host goes on: its texts in the host's
// records must not point into its image, it must really go, and the
// process-wide state it could change (working folder, environment, locale,
// crash and signal handlers) must be as before it was loaded.
#include <string>

#include "host/process_census.h"
#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "judge/declaration.h"
#include "tools/study-host/validate/unload_checks.h"

namespace {

// The first text of the host's record that points into the module's own
// image, in words; "" when none does.
std::string TextInImage(StandInHost& host, const DynamicLibrary& module) {
  const auto in_image = [&module](const StudyText& text) {
    return text.text != nullptr && module.Defines(text.text);
  };
  if (in_image(host.record().display_name)) return "the display name";
  if (in_image(host.record().description)) return "the description";
  for (std::int32_t slot = 0; slot < host.slot_count(); ++slot) {
    if (in_image(host.input(slot).name)) return "the name of input " + std::to_string(slot);
  }
  return "";
}

}  // namespace

CheckResult CheckUnloadsCleanly(const CheckContext& context) {
  const DynamicLibrary& module = context.session->module().library;
  StandInHost host({.slot_count = judge::kOfferedInputSlots});
  context.Announce("the defaults call");
  host.CallDefaults(context.study());
  const std::string text = TextInImage(host, module);
  if (!text.empty()) {
    return Failed(text + " the module declared points into its own image: the host keeps it, and " +
                  "it dangles once the module is unloaded");
  }
  context.Announce("an ordinary call");
  judge::ApplyInputChoice(host.record(), context.study().declaration,
                          judge::InputChoice::kFirstYesNoOn);
  host.set_position(3);
  host.CallOrdinary(context.study());
  const void* code = module.Symbol(context.study_name.c_str());
  context.session->Unload();
  if (AddressInLoadedModule(code)) {
    return Failed("the module is still loaded after it was unloaded: it keeps itself in memory");
  }
  const std::string change = context.ProcessChanges(CensusScope::kModuleUnloaded);
  if (!change.empty()) return Failed("after unloading the module, " + change);
  return Passed(
      "gone once unloaded, the whole process as before loading; no declared text in its image");
}
