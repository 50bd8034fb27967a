// Loading and unloading the built module as a host does when a user rebuilds
// or reloads studies.
#include <gtest/gtest.h>

#include <string>

#include "host/heap_census.h"
#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "judge/call_scenarios.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "support/configured_credit.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

struct CycleObservation {
  std::int64_t credits_while_loaded = 0;
  std::int64_t credits_after_unload = 0;
};

// Load, one defaults call, a few ordinary calls, unload.
CycleObservation LoadCallUnload() {
  CycleObservation seen;
  StudyModule module;
  std::string reason;
  EXPECT_EQ(LoadStudyModule(STUDY_MODULE_PATH, module, reason), ModuleLoadError::kNone) << reason;
  if (module.study == nullptr) return seen;
  seen.credits_while_loaded = CountBlocksHolding(ConfiguredCredit().c_str());
  {
    StandInHost host;
    host.CallDefaults(module.study);
    judge::ApplyStudySettings(host.record(), {.scale_out = true});
    host.set_position_texts("host text", "more host text");
    for (double position : {0.0, 3.0, -7.0, 0.0}) {
      host.set_position(position);
      host.CallOrdinary(module.study);
    }
  }
  module.library.Close();
  seen.credits_after_unload = CountBlocksHolding(ConfiguredCredit().c_str());
  return seen;
}

TEST(ModuleLifecycleTest, HundredLoadsLeaveTheHeapAsTheyFoundIt) {
  const HeapCensus probe = TakeHeapCensus();
  if (!probe.supported) GTEST_SKIP() << "this build's heap cannot be counted";
  // The loader keeps some state from the first loads (glibc's grows over the
  // first few dozen); count from a settled heap.
  for (int cycle = 0; cycle < 100; ++cycle) LoadCallUnload();
  const HeapCensus before = TakeHeapCensus();
  for (int cycle = 0; cycle < 100; ++cycle) {
    const CycleObservation seen = LoadCallUnload();
    if (seen.credits_while_loaded >= 0) {  // this build can look into the heap
      ASSERT_EQ(seen.credits_while_loaded, 1) << "credit built once per load, cycle " << cycle;
      ASSERT_EQ(seen.credits_after_unload, 0) << "credit released at unload, cycle " << cycle;
    }
  }
  const HeapCensus after = TakeHeapCensus();
  EXPECT_EQ(after.blocks, before.blocks);
  EXPECT_EQ(after.bytes, before.bytes);
}

#if defined(_WIN32)
std::string VersionString(const std::string& file, const char* item) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return "";
  std::string data(size, '\0');
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return "";
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + item;
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return "";
  }
  return std::string(value, length > 0 ? length - 1 : 0);
}

TEST(ModuleVersionResourceTest, FilePropertiesNameTheProduct) {
  EXPECT_EQ(VersionString(STUDY_MODULE_PATH, "ProductName"), "zrPalvessa study module");
  EXPECT_EQ(VersionString(STUDY_MODULE_PATH, "OriginalFilename"), "zrPalvessa_64.dll");
  EXPECT_EQ(VersionString(STUDY_MODULE_PATH, "FileVersion"), STUDY_PROJECT_VERSION);
}
#endif

}  // namespace
