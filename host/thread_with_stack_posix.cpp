#include <pthread.h>

#include <atomic>

#include "host/thread_census.h"
#include "host/thread_with_stack.h"

namespace {

// The work, and whether the creating thread is back from pthread_create:
// until then it has every signal blocked (the C library blocks them around
// the thread's start), and work that reads the process (a census of every
// thread's signal mask) would see that passing state as the creator's own.
struct StartingWork {
  const std::function<void()>* work;
  std::atomic<bool> creator_returned{false};
};

void* RunWork(void* argument) {
  auto* starting = static_cast<StartingWork*>(argument);
  starting->creator_returned.wait(false);
  (*starting->work)();
  return nullptr;
}

}  // namespace

bool RunOnThreadWithStack(std::size_t stack_bytes, const std::function<void()>& work) {
  const int threads_before = ThreadsInProcess();
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  StartingWork starting{&work};
  const bool started = pthread_attr_setstacksize(&attributes, stack_bytes) == 0 &&
                       pthread_create(&thread, &attributes, &RunWork, &starting) == 0;
  pthread_attr_destroy(&attributes);
  if (started) {
    starting.creator_returned = true;
    starting.creator_returned.notify_one();
    pthread_join(thread, nullptr);
    AwaitJoinedThreadsGone(threads_before);
  }
  return started;
}
