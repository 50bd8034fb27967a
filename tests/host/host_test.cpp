// The stand-in host's watchers: whose use of a capability counts, and how a
// change to the process's state is put in words.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/capability_calls.h"
#include "host/process_state.h"

namespace {

using capability_calls::Capability;
using capability_calls::ModuleCode;

TEST(CapabilityCallsTest, OnlyModuleCodeCountsNotTheToolsOwnLoadOfIt) {
  const struct {
    const char* name;
    std::optional<ModuleCode> running;  // none: the tool's own code
    Capability capability;
    int library_loads;  // loads in progress, the one noted included
    std::vector<std::string> uses;
  } cases[] = {
      {"the tool reads the environment", std::nullopt, Capability::kEnvironment, 0, {}},
      {"a call reads the environment",
       ModuleCode::kCall,
       Capability::kEnvironment,
       0,
       {"read the environment variable 'ZR'"}},
      {"a call opens a socket",
       ModuleCode::kCall,
       Capability::kNetwork,
       0,
       {"used the network (ZR)"}},
      {"the tool loads the module", ModuleCode::kLoad, Capability::kLibrary, 1, {}},
      {"the module loads a library as it loads",
       ModuleCode::kLoad,
       Capability::kLibrary,
       2,
       {"loaded the library 'ZR'"}},
      {"a call loads a library",
       ModuleCode::kCall,
       Capability::kLibrary,
       1,
       {"loaded the library 'ZR'"}},
      {"unloading opens a file",
       ModuleCode::kUnload,
       Capability::kFile,
       0,
       {"opened the file 'ZR'"}},
  };
  for (const auto& c : cases) {
    {
      std::optional<capability_calls::ModuleCodeScope> module_code;
      if (c.running) module_code.emplace(*c.running);
      std::vector<std::optional<capability_calls::LibraryLoadScope>> loads(c.library_loads);
      for (auto& load : loads) load.emplace();
      capability_calls::Note(c.capability, "ZR");
      capability_calls::Note(c.capability, "a second use of the same kind");
    }
    EXPECT_EQ(capability_calls::TakeUses(), c.uses) << c.name;
  }
  EXPECT_TRUE(capability_calls::TakeUses().empty());
}

TEST(ProcessStateTest, NamesWhatChangedAndNothingElse) {
  const ProcessState before = CurrentProcessState();
  EXPECT_EQ(ProcessStateChange(before, CurrentProcessState()), "");
  const struct {
    const char* name;
    void (*change)(ProcessState&);
    std::string words;
  } cases[] = {
      {"working folder", [](ProcessState& s) { s.working_folder = "/elsewhere"; },
       "the working folder changed from '" + before.working_folder + "' to '/elsewhere'"},
      {"variable added",
       [](ProcessState& s) { s.environment.insert(s.environment.begin(), "A=1"); },
       "the environment gained A=1"},
      {"variable removed", [](ProcessState& s) { s.environment.pop_back(); },
       "the environment lost " + before.environment.back()},
      {"locale", [](ProcessState& s) { s.locale = "de_DE.UTF-8"; },
       "the locale changed from '" + before.locale + "' to 'de_DE.UTF-8'"},
      {"a handler pointing nowhere", [](ProcessState& s) { s.handlers.front().address = 16; },
       "the handler of " + SignalName(before.handlers.front().signal) +
           " changed and points where no module is loaded"},
  };
  for (const auto& c : cases) {
    ProcessState after = before;
    c.change(after);
    EXPECT_EQ(ProcessStateChange(before, after), c.words) << c.name;
  }
}

}  // namespace
