#include "study/study_defaults.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/host_text.h"
#include "host/stand_in_host.h"
#include "judge/call_judge.h"
#include "judge/order_quantity_study/expected_declaration.h"
#include "platform/counting_heap.h"
#include "study/credit_link.h"
#include "study/study_exports.h"
#include "support/configured_credit.h"
#include "support/heap_check.h"
#include "support/our_judged_study.h"

namespace {

using StudyDefaultsTest = HeapCheckedTest;

// The defaults call declares the whole study in every shape of host; the
// judge knows what each slot must end with (several inputs share a slot when
// the array is short or missing) and which description calls are due.
TEST_F(StudyDefaultsTest, DeclaresTheStudyInEveryHost) {
  const struct {
    const char* name;
    StandInHostOptions options;
  } hosts[] = {
      {"input array", {}},
      {"more slots than inputs", {.slot_count = 16}},
      {"short array", {.slot_count = 3}},
      {"array on the first allocate call", {.array = ArrayDelivery::kOnAllocate}},
      {"no array: all six in the fallback slot", {.array = ArrayDelivery::kNever}},
      {"no set-description service", {.set_description_service = false}},
  };
  for (const auto& shape : hosts) {
    SCOPED_TRACE(shape.name);
    StandInHost host(shape.options);
    host.record().host_call_flag = 1;  // must not lead to a quantity on the defaults call
    host.record().defaults_flag = 1;
    EXPECT_EQ(judge::MakeJudgedCall(host, OurJudgedStudy(scsf_zrPalvessa), 0xA5), "");
  }
}

TEST_F(StudyDefaultsTest, CreditIsTheConfiguredAnchorBuiltAtLoad) {
  EXPECT_EQ(TextOf(CreditLink()), ConfiguredCredit());
  EXPECT_EQ(CreditLink().owned + CreditLink().changed, 2);
  EXPECT_EQ(counting_heap::BlockSize(CreditLink().text), ConfiguredCredit().size() + 1);
}

TEST_F(StudyDefaultsTest, CreditLeftEmptyWhenHeapHasNoBlockAtLoad) {
  StudyText credit = MakeStudyText();
  {
    counting_heap::ScopedAllocationFailure fail_all(0);
    BuildCreditLink(credit, ConfiguredCreditAnchor());
  }
  EXPECT_EQ(credit.text, kModuleEmptyText);
  EXPECT_EQ(credit.owned + credit.changed, 0);

  const StudyText null_credit = {nullptr, 0, 0, kModuleEmptyText};  // reads as empty too
  for (const StudyText* empty_credit : {static_cast<const StudyText*>(&credit), &null_credit}) {
    StandInHost host;
    host.record().defaults_flag = 1;
    ApplyDefaults(host.record(), LocateStudySlots(host.record()), *empty_credit);
    EXPECT_EQ(judge::JudgeDeclaration(host, ""), "")
        << "no credit between \" by \" and the sentence";
  }
}

TEST_F(StudyDefaultsTest, HostServiceThrowingReleasesDescriptionTemporary) {
  StandInHost host;
  int descriptions_seen = 0;
  host.set_service_hook([&](HostService service) {
    if (service == HostService::kSetDescription && ++descriptions_seen == 2) {
      throw std::runtime_error("host failure");
    }
  });
  EXPECT_THROW(host.CallDefaults(scsf_zrPalvessa), std::runtime_error);
  // Display name, description and the names of inputs 0 and 1, whose
  // description call threw; the description temporary is gone.
  EXPECT_EQ(LiveBlocksSoFar(), 4);
  host.set_service_hook(nullptr);
  host.ForgetServiceCalls();
  host.CallDefaults(scsf_zrPalvessa);
  EXPECT_EQ(judge::JudgeDeclaration(host, ConfiguredCredit()), "");
}

// Allocations of a defaults call, in order: display name, description
// format, description append, description copy, then the six input names.
TEST_F(StudyDefaultsTest, AllocationFailureAtEachStepLeavesFailureTableValues) {
  const std::string anchor = ConfiguredCredit();
  const std::string sentence = judge::kExpectedSentence;
  const std::string bold_name = std::string("<b>") + judge::kExpectedDisplayName + "</b> by ";
  const std::string full_description = bold_name + anchor + sentence;
  const std::string expected_description[] = {
      "<b></b> by " + anchor + sentence,  // display name failed: empty name in bold
      sentence,                           // format failed: append starts from empty
      bold_name + anchor,                 // append failed: formatted part only
      "",                                 // copy failed: description emptied
  };
  for (std::int64_t failing = 1;; ++failing) {
    SCOPED_TRACE(testing::Message() << "allocation " << failing << " fails");
    StandInHost host;
    PlaceHostText(host.record().description, "an older description");
    const counting_heap::Counts before = counting_heap::Snapshot();
    {
      counting_heap::ScopedAllocationFailure fail(failing);
      host.CallDefaults(scsf_zrPalvessa);
    }
    if (counting_heap::Snapshot().failures == before.failures) {
      EXPECT_EQ(failing, 11) << "a defaults call makes ten allocations";
      EXPECT_EQ(TextOf(host.record().description), full_description);
      break;
    }
    const StudyInterface& record = host.record();
    EXPECT_EQ(TextOf(record.display_name), failing == 1 ? "" : judge::kExpectedDisplayName);
    EXPECT_EQ(record.display_name.changed, 1);
    const std::string description =
        failing <= 4 ? expected_description[failing - 1] : full_description;
    EXPECT_EQ(TextOf(record.description), description);
    EXPECT_EQ(record.description.changed, 1);
    for (std::int32_t index = 0; index < judge::kInputCount; ++index) {
      const bool failed = failing - 5 == index;
      const judge::ExpectedInput& expected = judge::kExpectedInputs[index];
      EXPECT_EQ(TextOf(host.input(index).name), failed ? "" : expected.name);
      EXPECT_EQ(host.input(index).name.owned, failed ? 0 : 1);
      EXPECT_EQ(host.input(index).name.changed, 1);
      EXPECT_EQ(host.input(index).type_code, expected.type_code);
    }
    ASSERT_LT(failing, 20) << "runaway sweep";
  }
}

}  // namespace
