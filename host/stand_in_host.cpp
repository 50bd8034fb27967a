#include "host/stand_in_host.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "host/heap_calls.h"
#include "host/host_text.h"
#include "host/per_thread.h"

namespace {

using ActiveHost = PerThread<StandInHost*, struct ActiveHostTag>;
using ServiceFailed = PerThread<bool, struct ServiceFailedTag>;

constexpr std::int32_t kFallbackDescriptionArgument = -1;

// Zeroed 8-byte words covering `bytes` bytes.
std::vector<std::uint64_t> ZeroedWords(std::size_t bytes) {
  return std::vector<std::uint64_t>((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
}

std::span<std::uint8_t> BytesOf(std::vector<std::uint64_t>& words) {
  return {reinterpret_cast<std::uint8_t*>(words.data()), words.size() * sizeof(std::uint64_t)};
}

}  // namespace

StandInHost::StandInHost(const StandInHostOptions& options)
    : options_(options),
      record_storage_(ZeroedWords(sizeof(StudyInterface) + kGuardBytes)),
      record_(new (record_storage_.data()) StudyInterface()),
      previous_active_(ActiveHost::Get()) {
  StudyInterface& record = *record_;
  record.display_name = MakeHostText();
  record.description = MakeHostText();
  record.position_query = options_.position_query_service ? &PositionQueryService : nullptr;
  InputSlotArray& slots = record.input_slots;
  slots.allocate = options_.allocate_service ? &AllocateService : nullptr;
  slots.allocation_argument = options_.slot_count;
  InitialiseSlot(slots.fallback, kFallbackDescriptionArgument);
  if (options_.array != ArrayDelivery::kNever) BuildArray();
  if (options_.array == ArrayDelivery::kUpFront) InstallArray();
  ActiveHost::Set(this);
}

StandInHost::~StandInHost() {
  StudyInterface& record = *record_;
  ReleaseHostText(record.display_name);
  ReleaseHostText(record.description);
  ReleaseSlotTexts(record.input_slots.fallback);
  for (InputSlot& slot : slots_) ReleaseSlotTexts(slot);
  if (!retired_) ActiveHost::Set(previous_active_);
}

void StandInHost::Retire() {
  if (ActiveHost::Get() != this) throw std::logic_error("only the active host retires");
  ActiveHost::Set(previous_active_);
  retired_ = true;
}

InputSlot& StandInHost::input(std::int32_t index) {
  // The array as the record now describes it (a test may have changed its
  // count), never beyond the elements the host made.
  if (!array_installed_ || index < 0 || index >= record_->input_slots.count ||
      static_cast<std::size_t>(index) >= slots_.size()) {
    return record_->input_slots.fallback;
  }
  return slots_[static_cast<std::size_t>(index)];
}

std::span<std::uint8_t> StandInHost::record_bytes() {
  return BytesOf(record_storage_);
}

std::span<std::uint8_t> StandInHost::array_bytes() {
  return BytesOf(slot_storage_);
}

bool StandInHost::QuantityWritten() const {
  const double unwritten = kUnwrittenQuantity;
  return std::memcmp(&record_->order_quantity, &unwritten, sizeof unwritten) != 0;
}

void StandInHost::set_position_texts(std::string first, std::string second,
                                     std::int32_t owned_flag) {
  first_position_text_ = std::move(first);
  second_position_text_ = std::move(second);
  position_owned_flag_ = owned_flag;
}

void StandInHost::PlacePositionText(StudyText& field, const std::string& text) const {
  if (text.empty()) return;
  if (position_owned_flag_ != 0) {
    PlaceHostText(field, text.c_str(), position_owned_flag_);
  } else {
    field.text = text.c_str();  // host storage: the module must not release it
    field.owned = 0;
    field.changed = 1;
  }
}

void StandInHost::ForgetServiceCalls() {
  allocate_calls_ = 0;
  foreign_allocate_argument_.reset();
  position_queries_ = 0;
  description_calls_.clear();
}

void StandInHost::CallDefaults(void (*study)(StudyInterface*)) {
  record_->defaults_flag = 1;
  study(record_);
  record_->defaults_flag = 0;
}

void StandInHost::CallOrdinary(void (*study)(StudyInterface*)) {
  record_->defaults_flag = 0;
  study(record_);
}

void StandInHost::InitialiseSlot(InputSlot& slot, std::int32_t description_argument) {
  slot.name = MakeHostText();
  slot.description_argument = description_argument;
  slot.set_description = options_.set_description_service ? &SetDescriptionService : nullptr;
}

void StandInHost::BuildArray() {
  if (options_.slot_count <= 0) return;
  const auto count = static_cast<std::size_t>(options_.slot_count);
  slot_storage_ = ZeroedWords(count * sizeof(InputSlot) + kGuardBytes);
  slots_ = {new (slot_storage_.data()) InputSlot[count](), count};
  for (std::size_t index = 0; index < count; ++index) {
    InitialiseSlot(slots_[index], static_cast<std::int32_t>(index));
  }
}

void StandInHost::InstallArray() {
  if (slots_.empty() || array_installed_) return;
  array_installed_ = true;
  record_->input_slots.data = slots_.data();
  record_->input_slots.count = options_.count_shown.value_or(options_.slot_count);
}

void StandInHost::ReleaseSlotTexts(InputSlot& slot) {
  ReleaseHostText(slot.name);
}

void StandInHost::RunHook(HostService service) {
  if (hook_) hook_(service);
}

bool StandInHost::TakeServiceFailure() {
  const bool failed = ServiceFailed::Get();
  ServiceFailed::Set(false);
  return failed;
}

StandInHost& StandInHost::Active() {
  StandInHost* const active = ActiveHost::Get();
  if (active == nullptr) throw std::logic_error("host service called with no active host");
  return *active;
}

template <typename Service>
std::int32_t StandInHost::Serve(Service service) {
  const heap_calls::HostServiceScope hosts_heap_calls;
  try {
    return service(Active());
  } catch (...) {
    ServiceFailed::Set(true);
    throw;
  }
}

std::int32_t StandInHost::AllocateService(std::int32_t allocation_argument) {
  return Serve([allocation_argument](StandInHost& host) {
    ++host.allocate_calls_;
    if (allocation_argument != host.record_->input_slots.allocation_argument &&
        !host.foreign_allocate_argument_) {
      host.foreign_allocate_argument_ = allocation_argument;
    }
    if (host.options_.array == ArrayDelivery::kOnAllocate) host.InstallArray();
    host.RunHook(HostService::kAllocate);
    return 1;
  });
}

std::int32_t StandInHost::SetDescriptionService(std::int32_t argument, const char* description) {
  return Serve([argument, description](StandInHost& host) {
    host.description_calls_.push_back({argument, description != nullptr ? description : ""});
    host.RunHook(HostService::kSetDescription);
    return 1;
  });
}

std::int32_t StandInHost::PositionQueryService(PositionRecord* position) {
  return Serve([position](StandInHost& host) {
    ++host.position_queries_;
    host.last_position_record_ = *position;
    position->quantity = host.position_;
    host.PlacePositionText(position->first_text, host.first_position_text_);
    host.PlacePositionText(position->second_text, host.second_position_text_);
    host.RunHook(HostService::kPositionQuery);
    return 1;
  });
}
