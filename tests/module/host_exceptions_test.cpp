// A host service that throws: the exception passes through the study
// function, every temporary is released, and the next call works.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/stand_in_host.h"
#include "judge/call_scenarios.h"
#include "judge/input_values.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "judge/order_quantity_study/study_inputs.h"
#include "study/study_exports.h"
#include "support/configured_credit.h"
#include "support/heap_check.h"

namespace {

using HostExceptionsTest = HeapCheckedTest;

struct ThrowCase {
  const char* name;
  HostService service;
  StandInHostOptions options;
  bool defaults_call;
};

const ThrowCase kThrowCases[] = {
    {"allocate, defaults call",
     HostService::kAllocate,
     {.array = ArrayDelivery::kOnAllocate},
     true},
    {"allocate, ordinary call",
     HostService::kAllocate,
     {.array = ArrayDelivery::kOnAllocate},
     false},
    {"set description", HostService::kSetDescription, {}, true},
    {"position query with owned texts placed", HostService::kPositionQuery, {}, false},
};

TEST_F(HostExceptionsTest, ExceptionPassesThroughAndNextCallWorks) {
  for (const ThrowCase& c : kThrowCases) {
    SCOPED_TRACE(c.name);
    StandInHost host(c.options);
    host.set_position(3);
    host.set_position_texts("owned by the module once placed", "likewise");
    bool thrown = false;
    host.set_service_hook([&](HostService service) {
      if (service == c.service && !thrown) {
        thrown = true;
        throw std::runtime_error("host failure");
      }
    });
    host.MarkQuantityUnwritten();
    if (c.defaults_call) {
      EXPECT_THROW(host.CallDefaults(scsf_zrPalvessa), std::runtime_error);
      host.ForgetServiceCalls();
      host.CallDefaults(scsf_zrPalvessa);
      EXPECT_EQ(judge::JudgeDeclaration(host, ConfiguredCredit()), "");
    } else {
      if (host.has_array()) judge::ApplyStudySettings(host.record(), {});
      judge::SetInputFlag(host.record(), judge::kEnabled, true);
      EXPECT_THROW(host.CallOrdinary(scsf_zrPalvessa), std::runtime_error);
      EXPECT_FALSE(host.QuantityWritten());
      judge::ApplyStudySettings(host.record(), {});
      host.CallOrdinary(scsf_zrPalvessa);
      EXPECT_EQ(host.record().order_quantity, 1) << "in-trade quantity on the next call";
    }
    EXPECT_TRUE(thrown);
  }
  // The fixture checks that every block (temporaries, host texts) went back.
}

}  // namespace
