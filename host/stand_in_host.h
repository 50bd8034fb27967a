// A stand-in for the trading host: owns a StudyInterface record laid out as
// the host's, provides the host's three services, and records what the
// module asks of them. Tests and tools drive the module through it.
//
// Services are plain function pointers without a host argument, so they reach
// the host object through the thread's active host: the one most recently
// constructed on this thread and not yet destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "interface/study_interface.h"

// How the host supplies its input array.
enum class ArrayDelivery {
  kUpFront,     // the array is in the record before the first call
  kOnAllocate,  // the allocate service installs it on its first call
  kNever,       // there is no array; every input is the fallback slot
};

enum class HostService { kAllocate, kSetDescription, kPositionQuery };

struct StandInHostOptions {
  std::int32_t slot_count = 6;  // elements in the input array
  ArrayDelivery array = ArrayDelivery::kUpFront;
  bool allocate_service = true;         // record carries an allocate pointer
  bool set_description_service = true;  // slots carry a set-description pointer
  bool position_query_service = true;   // record carries a position-query pointer
  // The count the record shows for its array, when it differs from the
  // elements made (an empty or negative count, as a faulty host may give).
  std::optional<std::int32_t> count_shown = std::nullopt;
};

struct DescriptionCall {
  std::int32_t argument;  // the slot's description argument
  std::string text;
};

// Bytes the host keeps past its record and past its input array. The host's
// real record is larger than the part a module uses, so a stray write just
// past either lands in host memory: here, in a region a judge can watch.
inline constexpr std::size_t kGuardBytes = 512;

// An order quantity no study writes (studies write whole numbers only).
inline constexpr double kUnwrittenQuantity = -424242.5;

class StandInHost {
 public:
  explicit StandInHost(const StandInHostOptions& options = {});
  ~StandInHost();
  StandInHost(const StandInHost&) = delete;
  StandInHost& operator=(const StandInHost&) = delete;

  StudyInterface& record() { return *record_; }
  const StudyInterface& record() const { return *record_; }
  // The slot the host shows for input `index`: the array element when the
  // record's array has one, else the fallback slot.
  InputSlot& input(std::int32_t index);
  bool has_array() const { return array_installed_; }
  std::int32_t slot_count() const { return options_.slot_count; }
  const StandInHostOptions& options() const { return options_; }

  // The record followed by its guard region, and the input array followed
  // by its guard region. The array exists from the start (empty when the
  // host never supplies one), also while it waits for the allocate call.
  std::span<std::uint8_t> record_bytes();
  std::span<std::uint8_t> array_bytes();

  // Puts kUnwrittenQuantity in the order quantity, so that a call which
  // writes none shows; QuantityWritten tells whether one was written since.
  void MarkQuantityUnwritten() { record_->order_quantity = kUnwrittenQuantity; }
  bool QuantityWritten() const;

  // What the position query reports from now on.
  void set_position(double quantity) { position_ = quantity; }
  double position() const { return position_; }
  // Texts the position query places in the record's two text fields (an
  // empty string places nothing): owned copies on the shared heap with
  // `owned_flag` as their owned field (any non-zero value), or, with an
  // `owned_flag` of 0, pointers to the host's own storage that the module
  // must leave alone.
  void set_position_texts(std::string first, std::string second, std::int32_t owned_flag = 1);

  // Runs hook after each service has done its work (a test may throw from it).
  void set_service_hook(std::function<void(HostService)> hook) { hook_ = std::move(hook); }

  // Whether an exception left one of this thread's host services since the
  // last time it was asked: then an exception that comes out of a study call
  // is the host's, not the study's.
  static bool TakeServiceFailure();

  // Takes the host out of its thread's hosts, while it lives on (its
  // record kept, as a host keeps the records of past calls): the host built
  // before it becomes the active one again. Only the active host retires.
  void Retire();

  // Calls `study` as a defaults call or as an ordinary call.
  void CallDefaults(void (*study)(StudyInterface*));
  void CallOrdinary(void (*study)(StudyInterface*));

  // What the module asked of the services since the host was built, or
  // since the latest ForgetServiceCalls.
  void ForgetServiceCalls();
  std::int32_t allocate_calls() const { return allocate_calls_; }
  // The first argument the allocate service was called with that was not
  // the record's allocation argument, if any.
  std::optional<std::int32_t> foreign_allocate_argument() const {
    return foreign_allocate_argument_;
  }
  std::int32_t position_queries() const { return position_queries_; }
  const std::vector<DescriptionCall>& description_calls() const { return description_calls_; }
  // The latest position record the module passed to the query, as it
  // arrived (before the host filled it).
  const PositionRecord& last_position_record() const { return last_position_record_; }

 private:
  static std::int32_t AllocateService(std::int32_t allocation_argument);
  static std::int32_t SetDescriptionService(std::int32_t argument, const char* description);
  static std::int32_t PositionQueryService(PositionRecord* position);
  static StandInHost& Active();
  // Runs a host service for the active host, its heap calls the host's own,
  // noting an exception that leaves it.
  template <typename Service>
  static std::int32_t Serve(Service service);
  void PlacePositionText(StudyText& field, const std::string& text) const;

  void InitialiseSlot(InputSlot& slot, std::int32_t description_argument);
  void BuildArray();
  void InstallArray();
  void ReleaseSlotTexts(InputSlot& slot);
  void RunHook(HostService service);

  StandInHostOptions options_;
  std::vector<std::uint64_t> record_storage_;  // the record, then its guard region
  StudyInterface* record_;
  std::vector<std::uint64_t> slot_storage_;  // the input array, then its guard region
  std::span<InputSlot> slots_;
  bool array_installed_ = false;  // the record points at the array
  StandInHost* previous_active_;
  bool retired_ = false;  // no longer one of its thread's hosts
  std::function<void(HostService)> hook_;
  double position_ = 0.0;
  std::string first_position_text_;
  std::string second_position_text_;
  std::int32_t position_owned_flag_ = 1;  // 0: host storage
  std::int32_t allocate_calls_ = 0;
  std::optional<std::int32_t> foreign_allocate_argument_;
  std::int32_t position_queries_ = 0;
  std::vector<DescriptionCall> description_calls_;
  PositionRecord last_position_record_{};
};
