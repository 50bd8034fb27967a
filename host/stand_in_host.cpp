#include "host/stand_in_host.h"

#include <cstring>
#include <stdexcept>

#include "host/host_text.h"

namespace {

thread_local StandInHost* active_host = nullptr;

constexpr std::int32_t kFallbackDescriptionArgument = -1;

// Freshly built: empty, unowned and unchanged, its text the value's own empty string.
bool IsFreshText(const StudyText& value) {
  return value.owned == 0 && value.changed == 0 && value.empty != nullptr &&
         value.empty[0] == '\0' && value.text == value.empty;
}

bool IsWellFormed(const PositionRecord& position) {
  if (position.leading_field != kPositionRecordLeadingValue) return false;
  if (!IsFreshText(position.first_text) || !IsFreshText(position.second_text)) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&position);
  for (std::size_t offset = 0; offset < sizeof(PositionRecord); ++offset) {
    const bool in_field = offset < 4 ||
                          (offset >= offsetof(PositionRecord, first_text) &&
                           offset < offsetof(PositionRecord, first_text) + sizeof(StudyText)) ||
                          (offset >= offsetof(PositionRecord, second_text) &&
                           offset < offsetof(PositionRecord, second_text) + sizeof(StudyText));
    if (!in_field && bytes[offset] != 0) return false;
  }
  return true;
}

}  // namespace

void StoreInt32(InputSlot& slot, std::int32_t value) {
  std::memcpy(slot.value, &value, sizeof value);
}

void StoreFloat32(InputSlot& slot, float value) {
  std::memcpy(slot.value, &value, sizeof value);
}

void StoreFloat64(InputSlot& slot, double value) {
  std::memcpy(slot.value, &value, sizeof value);
}

std::int32_t LimitValue(const std::uint8_t (&limit)[16]) {
  std::int32_t value;
  std::memcpy(&value, limit, sizeof value);
  return value;
}

StandInHost::StandInHost(const StandInHostOptions& options)
    : options_(options), record_(new StudyInterface()), previous_active_(active_host) {
  StudyInterface& record = *record_;
  record.display_name = MakeHostText();
  record.description = MakeHostText();
  record.position_query = options_.position_query_service ? &PositionQueryService : nullptr;
  InputSlotArray& slots = record.input_slots;
  slots.allocate = options_.allocate_service ? &AllocateService : nullptr;
  slots.allocation_argument = options_.slot_count;
  InitialiseSlot(slots.fallback, kFallbackDescriptionArgument);
  if (options_.array == ArrayDelivery::kUpFront) InstallArray();
  active_host = this;
}

StandInHost::~StandInHost() {
  StudyInterface& record = *record_;
  ReleaseHostText(record.display_name);
  ReleaseHostText(record.description);
  ReleaseSlotTexts(record.input_slots.fallback);
  if (slots_ != nullptr) {
    for (std::int32_t index = 0; index < options_.slot_count; ++index) {
      ReleaseSlotTexts(slots_[index]);
    }
  }
  active_host = previous_active_;
}

InputSlot& StandInHost::input(std::int32_t index) {
  InputSlotArray& slots = record_->input_slots;
  if (slots.data == nullptr || index < 0 || index >= slots.count) return slots.fallback;
  return slots.data[index];
}

void StandInHost::SetInteger(std::int32_t index, std::int32_t value, std::uint8_t type_code) {
  InputSlot& slot = input(index);
  slot.type_code = type_code;
  StoreInt32(slot, value);
}

void StandInHost::set_position_texts(std::string first, std::string second, bool owned) {
  first_position_text_ = std::move(first);
  second_position_text_ = std::move(second);
  position_texts_owned_ = owned;
}

void StandInHost::PlacePositionText(StudyText& field, const std::string& text) const {
  if (text.empty()) return;
  if (position_texts_owned_) {
    PlaceHostText(field, text.c_str());
  } else {
    field.text = text.c_str();  // host storage: the module must not release it
    field.owned = 0;
    field.changed = 1;
  }
}

void StandInHost::CallDefaults(void (*study)(StudyInterface*)) {
  record_->defaults_flag = 1;
  study(record_.get());
  record_->defaults_flag = 0;
}

void StandInHost::CallOrdinary(void (*study)(StudyInterface*)) {
  record_->defaults_flag = 0;
  study(record_.get());
}

void StandInHost::InitialiseSlot(InputSlot& slot, std::int32_t description_argument) {
  slot.name = MakeHostText();
  slot.description_argument = description_argument;
  slot.set_description = options_.set_description_service ? &SetDescriptionService : nullptr;
}

void StandInHost::InstallArray() {
  if (options_.slot_count <= 0 || slots_ != nullptr) return;
  slots_.reset(new InputSlot[static_cast<std::size_t>(options_.slot_count)]());
  for (std::int32_t index = 0; index < options_.slot_count; ++index) {
    InitialiseSlot(slots_[index], index);
  }
  record_->input_slots.data = slots_.get();
  record_->input_slots.count = options_.slot_count;
}

void StandInHost::ReleaseSlotTexts(InputSlot& slot) {
  ReleaseHostText(slot.name);
}

void StandInHost::RunHook(HostService service) {
  if (hook_) hook_(service);
}

StandInHost& StandInHost::Active() {
  if (active_host == nullptr) throw std::logic_error("host service called with no active host");
  return *active_host;
}

std::int32_t StandInHost::AllocateService(std::int32_t /*allocation_argument*/) {
  StandInHost& host = Active();
  ++host.allocate_calls_;
  if (host.options_.array == ArrayDelivery::kOnAllocate) host.InstallArray();
  host.RunHook(HostService::kAllocate);
  return 1;
}

std::int32_t StandInHost::SetDescriptionService(std::int32_t argument, const char* description) {
  StandInHost& host = Active();
  host.description_calls_.push_back({argument, description != nullptr ? description : ""});
  host.RunHook(HostService::kSetDescription);
  return 1;
}

std::int32_t StandInHost::PositionQueryService(PositionRecord* position) {
  StandInHost& host = Active();
  ++host.position_queries_;
  if (!IsWellFormed(*position)) host.position_records_well_formed_ = false;
  position->quantity = host.position_;
  host.PlacePositionText(position->first_text, host.first_position_text_);
  host.PlacePositionText(position->second_text, host.second_position_text_);
  host.RunHook(HostService::kPositionQuery);
  return 1;
}
