// Drives the built module only through its exports, loaded as the host loads it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/stand_in_host.h"
#include "host/study_module.h"
#include "judge/call_judge.h"
#include "judge/call_scenarios.h"
#include "judge/input_values.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "support/configured_credit.h"
#include "support/our_judged_study.h"

#ifndef STUDY_MODULE_PATH
#error "STUDY_MODULE_PATH names the built module"
#endif

namespace {

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_EQ(LoadStudyModule(STUDY_MODULE_PATH, module_, reason), ModuleLoadError::kNone)
        << reason;
    study_ = OurJudgedStudy(module_.study);
  }

  StudyModule module_;
  judge::JudgedStudy study_;
};

TEST_F(ModuleTest, ReportsNameAndInterfaceVersion) {
  EXPECT_STREQ(module_.name(), "zrPalvessa");
  EXPECT_EQ(module_.version(), 2683);
  EXPECT_EQ(module_.study_name, "scsf_zrPalvessa");
}

TEST_F(ModuleTest, DefaultsCallDeclaresTheStudyAndWritesNoQuantity) {
  StandInHost host;
  host.record().host_call_flag = 1;
  host.record().defaults_flag = 1;
  EXPECT_EQ(judge::MakeJudgedCall(host, study_, 0xA5), "");
}

TEST_F(ModuleTest, FollowsPositionThroughASession) {
  StandInHost host;
  judge::ApplyStudySettings(host.record(), {.scale_out = true, .percentage = 50});
  const struct {
    double position;
    double expected;
  } steps[] = {{0, 4}, {3, 2}, {-3, 2}, {10, 5}, {1, 1}, {0, 4}};
  for (const auto& step : steps) {
    host.set_position(step.position);
    host.CallOrdinary(module_.study);
    EXPECT_EQ(host.record().order_quantity, step.expected) << "position " << step.position;
  }
  host.set_position_texts("owned by the host", "released by the module");
  host.CallOrdinary(module_.study);
  EXPECT_EQ(host.record().order_quantity, 4);
}

TEST_F(ModuleTest, HostExceptionPassesThroughTheModule) {
  for (const HostService service : {HostService::kSetDescription, HostService::kPositionQuery}) {
    StandInHost host;
    host.set_position_texts("owned host text", "released while unwinding");
    host.set_service_hook([&](HostService called) {
      if (called == service) throw std::runtime_error("host failure");
    });
    if (service == HostService::kSetDescription) {
      EXPECT_THROW(host.CallDefaults(module_.study), std::runtime_error);
    } else {
      judge::ApplyStudySettings(host.record(), {});
      host.set_position(2);
      EXPECT_THROW(host.CallOrdinary(module_.study), std::runtime_error);
    }
    host.set_service_hook(nullptr);
    host.ForgetServiceCalls();
    host.CallDefaults(module_.study);
    EXPECT_EQ(judge::JudgeDeclaration(host, ConfiguredCredit()), "");
  }
}

// Every call in a host with missing pieces judged as a whole: the defaults
// call, an enabled ordinary call, and one with the host call flag.
TEST_F(ModuleTest, SurvivesHostsWithMissingPieces) {
  const struct {
    const char* name;
    StandInHostOptions options;
  } cases[] = {
      {"no array, no allocate service",
       {.array = ArrayDelivery::kNever, .allocate_service = false}},
      {"array on first allocate call", {.array = ArrayDelivery::kOnAllocate}},
      {"no set-description service", {.set_description_service = false}},
      {"no position query service", {.position_query_service = false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StandInHost host(c.options);
    host.set_position(5);
    host.record().defaults_flag = 1;
    EXPECT_EQ(judge::MakeJudgedCall(host, study_, 0xA5), "");
    host.record().defaults_flag = 0;
    judge::SetInputFlag(host.record(), judge::kEnabled, true);
    EXPECT_EQ(judge::MakeJudgedCall(host, study_, 0x5A), "");
    host.record().host_call_flag = 1;
    EXPECT_EQ(judge::MakeJudgedCall(host, study_, 0xC3), "");
  }
  module_.study(nullptr);
}

}  // namespace
