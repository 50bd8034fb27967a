#include "study/study_defaults.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/host_text.h"
#include "host/stand_in_host.h"
#include "platform/counting_heap.h"
#include "study/credit_link.h"
#include "study/study_exports.h"
#include "support/declared_study.h"
#include "support/heap_check.h"
#include "support/study_setup.h"

namespace {

using StudyDefaultsTest = HeapCheckedTest;

TEST_F(StudyDefaultsTest, DeclaresNameDescriptionSettingsAndInputs) {
  StandInHost host;
  host.record().host_call_flag = 1;  // must not lead to a quantity on the defaults call
  host.record().order_quantity = kUntouchedQuantity;
  host.record().host_setting_16 = 5;
  host.record().host_setting_892 = 5;
  host.CallDefaults(scsf_zrPalvessa);

  const StudyInterface& record = host.record();
  EXPECT_EQ(TextOf(record.display_name), "zr: Palvessa");
  EXPECT_EQ(record.display_name.changed, 1);
  EXPECT_EQ(record.description.changed, 1);
  ExpectDeclaredStudy(host);
  EXPECT_TRUE(QuantityUntouched(record));
  EXPECT_EQ(host.position_queries(), 0);
}

TEST_F(StudyDefaultsTest, CreditIsTheConfiguredAnchorBuiltAtLoad) {
  EXPECT_EQ(TextOf(CreditLink()), kAnchor);
  EXPECT_EQ(CreditLink().owned, 1);
  EXPECT_EQ(counting_heap::BlockSize(CreditLink().text), kAnchor.size() + 1);
}

TEST_F(StudyDefaultsTest, CreditLeftEmptyWhenHeapHasNoBlockAtLoad) {
  StudyText credit = MakeStudyText();
  {
    counting_heap::ScopedAllocationFailure fail_all(0);
    BuildCreditLink(credit, CreditAnchor());
  }
  EXPECT_EQ(credit.text, kModuleEmptyText);
  EXPECT_EQ(credit.owned + credit.changed, 0);

  StandInHost host;
  host.record().defaults_flag = 1;
  ApplyDefaults(host.record(), LocateStudySlots(host.record()), credit);
  EXPECT_EQ(TextOf(host.record().description), "<b>zr: Palvessa</b> by " + kSentence);
}

TEST_F(StudyDefaultsTest, SlotWithoutDescriptionServiceStillDeclared) {
  StandInHost host({.set_description_service = false});
  host.CallDefaults(scsf_zrPalvessa);
  ExpectDeclaredInputs(host);
  EXPECT_TRUE(host.description_calls().empty());
}

TEST_F(StudyDefaultsTest, WithoutArrayTheLastDeclarationRemainsInFallbackSlot) {
  StandInHost host({.array = ArrayDelivery::kNever});
  host.CallDefaults(scsf_zrPalvessa);
  const InputSlot& fallback = host.record().input_slots.fallback;
  EXPECT_EQ(TextOf(fallback.name), "Round Scale Out Quantity Down (default is up)");
  EXPECT_EQ(fallback.type_code, 5);
  EXPECT_EQ(StoredInt32(fallback), 0);
  EXPECT_EQ(LimitValue(fallback.lower_limit), 1);
  EXPECT_EQ(LimitValue(fallback.upper_limit), 100);
  EXPECT_EQ(host.allocate_calls(), 6);
  EXPECT_EQ(host.description_calls().size(), 3u);
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
  host.CallDefaults(scsf_zrPalvessa);
  ExpectDeclaredInputs(host);
}

// Allocations of a defaults call, in order: display name, description
// format, description append, description copy, then the six input names.
TEST_F(StudyDefaultsTest, AllocationFailureAtEachStepLeavesFailureTableValues) {
  const std::string full_description = "<b>zr: Palvessa</b> by " + kAnchor + kSentence;
  const std::string expected_description[] = {
      "<b></b> by " + kAnchor + kSentence,  // display name failed: empty name in bold
      kSentence,                            // format failed: append starts from empty
      "<b>zr: Palvessa</b> by " + kAnchor,  // append failed: formatted part only
      "",                                   // copy failed: description emptied
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
    EXPECT_EQ(TextOf(record.display_name), failing == 1 ? "" : "zr: Palvessa");
    EXPECT_EQ(record.display_name.changed, 1);
    const std::string description =
        failing <= 4 ? expected_description[failing - 1] : full_description;
    EXPECT_EQ(TextOf(record.description), description);
    EXPECT_EQ(record.description.changed, 1);
    for (std::int32_t index = 0; index < kStudyInputCount; ++index) {
      const bool failed = failing - 5 == index;
      EXPECT_EQ(TextOf(host.input(index).name), failed ? "" : kExpectedInputs[index].name);
      EXPECT_EQ(host.input(index).name.owned, failed ? 0 : 1);
      EXPECT_EQ(host.input(index).name.changed, 1);
      EXPECT_EQ(host.input(index).type_code, kExpectedInputs[index].type_code);
    }
    ASSERT_LT(failing, 20) << "runaway sweep";
  }
}

}  // namespace
