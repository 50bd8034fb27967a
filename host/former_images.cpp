#include "host/former_images.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

// Kept without the heap: a census of the heap counts blocks across loads.
struct FormerImage {
  std::array<char, 128> name{};
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
};

constexpr std::size_t kKept = 16;

struct FormerImages {
  std::mutex mutex;
  std::array<FormerImage, kKept> images;
  std::size_t noted = 0;
};

FormerImages& Kept() {
  static FormerImages kept;
  return kept;
}

}  // namespace

void NoteFormerImage(const std::string& name, std::uintptr_t start, std::uintptr_t end) {
  FormerImages& kept = Kept();
  const std::lock_guard<std::mutex> lock(kept.mutex);
  FormerImage& image = kept.images[kept.noted % kKept];
  image.name.fill('\0');
  std::memcpy(image.name.data(), name.data(), std::min(name.size(), image.name.size() - 1));
  image.start = start;
  image.end = end;
  ++kept.noted;
}

std::string FormerImageAt(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  FormerImages& kept = Kept();
  const std::lock_guard<std::mutex> lock(kept.mutex);
  for (std::size_t index = kept.noted; index-- > 0 && kept.noted - index <= kKept;) {
    const FormerImage& image = kept.images[index % kKept];
    if (at >= image.start && at < image.end) {
      return "the unloaded " + std::string(image.name.data()) + "'s former image";
    }
  }
  return "";
}
