#include "host/host_text.h"

#include <cstring>

#include "host/heap_calls.h"
#include "platform/process_heap.h"

bool PlaceHostText(StudyText& value, const char* text, std::int32_t owned_flag) {
  ReleaseHostText(value);
  value.text = value.empty;
  const std::size_t size = std::strlen(text) + 1;
  void* block = process_heap::Allocate(size);
  if (block == nullptr) return false;
  std::memcpy(block, text, size);
  value.text = static_cast<const char*>(block);
  value.owned = owned_flag != 0 ? owned_flag : 1;
  heap_calls::ExpectRelease(block);  // the module releases it when it replaces or ends the value
  value.changed = 1;
  return true;
}

void ReleaseHostText(StudyText& value) {
  if (value.owned != 0 && value.text != nullptr) {
    process_heap::Free(const_cast<char*>(value.text));
  }
  value.text = value.empty;
  value.owned = 0;
}

std::string TextOf(const StudyText& value) {
  return value.text != nullptr ? value.text : "";
}
