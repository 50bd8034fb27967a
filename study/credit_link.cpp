#include "study/credit_link.h"

#include <cstring>

#include "study/credit_link_config.h"

namespace {

constexpr char kCreditAnchor[] = "<a href = \"" STUDY_CREDIT_ADDRESS "\">" STUDY_CREDIT_NAME "</a>";

// Empty and unowned before any of the module's code runs.
constinit StudyText credit_link = MakeStudyText();

// Builds the credit at module load and releases it at unload.
struct CreditLinkLifetime {
  CreditLinkLifetime() { BuildCreditLink(credit_link, kCreditAnchor); }
  ~CreditLinkLifetime() { ReleaseText(credit_link); }
  CreditLinkLifetime(const CreditLinkLifetime&) = delete;
  CreditLinkLifetime& operator=(const CreditLinkLifetime&) = delete;
};

const CreditLinkLifetime credit_link_lifetime;

}  // namespace

const char* ConfiguredCreditAnchor() {
  return kCreditAnchor;
}

const StudyText& CreditLink() {
  return credit_link;
}

void BuildCreditLink(StudyText& credit, const char* anchor) {
  const std::size_t length = std::strlen(anchor);
  char* block = AllocateTextBlock(static_cast<std::int64_t>(length) + 1);
  if (block == nullptr) return;
  std::memcpy(block, anchor, length);
  credit.text = block;
  credit.owned = 1;
  credit.changed = 1;
}
