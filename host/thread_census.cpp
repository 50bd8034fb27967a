#include <chrono>
#include <thread>

#include "host/thread_census.h"

void AwaitJoinedThreadsGone(int before) {
  constexpr int kLooks = 20;
  constexpr auto kBetweenLooks = std::chrono::milliseconds(5);
  for (int look = 0; before >= 0 && ThreadsInProcess() > before && look < kLooks; ++look) {
    std::this_thread::sleep_for(kBetweenLooks);
  }
}
