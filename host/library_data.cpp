#include "host/library_data.h"

#include <cstdio>

namespace {

const LibraryDataRegion* SameRegion(const LibraryData& data, const LibraryDataRegion& region) {
  for (const LibraryDataRegion& candidate : data) {
    if (candidate.library == region.library && candidate.start == region.start &&
        candidate.bytes.size() == region.bytes.size()) {
      return &candidate;
    }
  }
  return nullptr;
}

// A run of changed bytes within one region.
struct ChangedRun {
  std::size_t first = 0;
  std::size_t end = 0;
  std::string variable;
};

std::string HexOffset(std::size_t offset) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%zx", offset);
  return text;
}

std::string RunWords(const LibraryDataRegion& region, const ChangedRun& run) {
  const std::size_t bytes = run.end - run.first;
  const std::string where = std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes") +
                            " at offset " + HexOffset(run.first) + " of its writable data";
  if (run.variable.empty()) return region.library + "'s own data changed (" + where + ")";
  return region.library + "'s " + run.variable + " changed (" + where + ")";
}

// Differences closer than this are one change (the fields of one variable).
constexpr std::size_t kJoinedWithin = 16;

}  // namespace

LibraryData TakeLibraryData() {
  LibraryData data = ReadRuntimeLibraryData();
  const std::vector<AddressRange> left = RangesNotCompared();
  for (LibraryDataRegion& region : data) {
    const std::uintptr_t end = region.start + region.bytes.size();
    for (const AddressRange& range : left) {
      const std::uintptr_t from = range.start > region.start ? range.start : region.start;
      const std::uintptr_t to = range.end < end ? range.end : end;
      for (std::uintptr_t at = from; at < to; ++at) region.bytes[at - region.start] = 0;
    }
  }
  return data;
}

void LibraryDataNoise::Learn(const LibraryData& from, const LibraryData& to) {
  for (const LibraryDataRegion& region : to) {
    std::vector<bool>& noisy = noisy_[{region.library, region.start}];
    noisy.resize(region.bytes.size(), false);
    const LibraryDataRegion* earlier = SameRegion(from, region);
    for (std::size_t at = 0; at < region.bytes.size(); ++at) {
      if (earlier == nullptr || earlier->bytes[at] != region.bytes[at]) noisy[at] = true;
    }
  }
}

std::size_t LibraryDataNoise::LearnedBytes() const {
  std::size_t learned = 0;
  for (const auto& [region, noisy] : noisy_) {
    for (const bool byte : noisy) learned += byte ? 1 : 0;
  }
  return learned;
}

std::vector<std::string> LibraryDataNoise::Changes(const LibraryData& before,
                                                   const LibraryData& after) const {
  std::vector<std::string> changes;
  for (const LibraryDataRegion& region : after) {
    const LibraryDataRegion* earlier = SameRegion(before, region);
    if (earlier == nullptr) continue;  // a library loaded or unloaded: the census names it
    const auto found = noisy_.find({region.library, region.start});
    const std::vector<bool>* noisy = found != noisy_.end() ? &found->second : nullptr;
    std::vector<ChangedRun> runs;
    for (std::size_t at = 0; at < region.bytes.size(); ++at) {
      if (earlier->bytes[at] == region.bytes[at]) continue;
      if (noisy != nullptr && at < noisy->size() && (*noisy)[at]) continue;
      const std::string variable = LibraryVariableAt(region.library, region.start + at);
      if (!runs.empty() && at - runs.back().end < kJoinedWithin &&
          runs.back().variable == variable) {
        runs.back().end = at + 1;
      } else {
        runs.push_back({at, at + 1, variable});
      }
    }
    for (const ChangedRun& run : runs) changes.push_back(RunWords(region, run));
  }
  return changes;
}
