// The stand-in host's watchers: whose use of a capability counts, and how a
// change to the process's state is put in words.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/capability_calls.h"
#include "host/module_file.h"
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

template <typename Value>
void Put(std::string& bytes, std::size_t at, Value value) {
  if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// A Linux library's headers: its class, type and processor, and one
// loadable segment of `segment` bytes.
std::string Elf(char elf_class, std::uint16_t type, std::uint16_t machine, std::uint64_t segment) {
  std::string bytes(
      "\x7f"
      "ELF",
      4);
  bytes += std::string{elf_class, 1, 1};
  Put(bytes, 16, type);
  Put(bytes, 18, machine);
  Put(bytes, 32, std::uint64_t{64});  // program headers right after this one
  Put(bytes, 54, std::uint16_t{56});
  Put(bytes, 56, std::uint16_t{1});
  Put(bytes, 64, std::uint32_t{1});  // loadable
  Put(bytes, 64 + 32, segment);
  return bytes;
}

// A Windows image's headers: its processor, whether it is a DLL, and one
// section of `section` bytes at 512.
std::string Pe(std::uint16_t machine, bool dll, std::uint32_t section) {
  std::string bytes = "MZ";
  Put(bytes, 0x3C, std::uint32_t{64});
  Put(bytes, 64, std::uint32_t{0x00004550});
  Put(bytes, 68, machine);
  Put(bytes, 70, std::uint16_t{1});
  Put(bytes, 86, static_cast<std::uint16_t>(dll ? 0x2000 : 0x0002));
  Put(bytes, 88 + 16, section);
  Put(bytes, 88 + 20, std::uint32_t{512});
  return bytes;
}

TEST(ModuleFileTest, SaysWhatIsWrongBeforeTheLoaderTries) {
  const std::string damaged =
      "is damaged or incomplete: its headers describe more than the file holds (download it "
      "again; the zip's SHA256SUMS.txt tells a whole file)";
  const struct {
    const char* name;
    std::string start;
    std::uint64_t size;
    std::string problem;
  } cases[] = {
#if defined(_WIN32)
    {"a whole DLL", Pe(0x8664, true, 512), 1024, ""},
    {"half a DLL", Pe(0x8664, true, 512), 700, damaged},
    {"a 32-bit DLL", Pe(0x14C, true, 512), 1024,
     "is built for 32-bit Windows (x86), not for this computer's x86-64 processor"},
    {"a program", Pe(0x8664, false, 512), 1024, "is a Windows program, not a DLL"},
    {"a Linux library", Elf(2, 3, 62, 64), 1024,
     "is a Linux library, not a Windows DLL (the study for Windows is zrPalvessa_64.dll)"},
#else
    {"a whole library", Elf(2, 3, 62, 100), 1024, ""},
    {"half a library", Elf(2, 3, 62, 4096), 1024, damaged},
    {"for ARM", Elf(2, 3, 183, 100), 1024,
     "is built for ARM 64-bit processors (aarch64), not for this computer's x86-64 processor"},
    {"32-bit", Elf(1, 3, 3, 100), 1024,
     "is built for 32-bit processors, not for this computer's x86-64 processor"},
    {"a program", Elf(2, 2, 62, 100), 1024, "is a program, not a module (a shared library)"},
    {"a Windows DLL", Pe(0x8664, true, 512), 1024,
     "is a Windows DLL, not a Linux library (the study for Linux is zrPalvessa_64.so)"},
#endif
    {"text", "position\n0\n", 11, "is not a module: neither a Windows DLL nor a Linux library"},
    {"nothing", "", 0, "is empty: download it again"},
  };
  for (const auto& c : cases) EXPECT_EQ(ModuleFileProblem(c.start, c.size), c.problem) << c.name;
}

}  // namespace
