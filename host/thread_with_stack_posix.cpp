#include <pthread.h>

#include "host/thread_census.h"
#include "host/thread_with_stack.h"

namespace {

void* RunWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return nullptr;
}

}  // namespace

bool RunOnThreadWithStack(std::size_t stack_bytes, const std::function<void()>& work) {
  const int threads_before = ThreadsInProcess();
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_t thread;
  const bool started = pthread_attr_setstacksize(&attributes, stack_bytes) == 0 &&
                       pthread_create(&thread, &attributes, &RunWork,
                                      const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attributes);
  if (started) {
    pthread_join(thread, nullptr);
    AwaitJoinedThreadsGone(threads_before);
  }
  return started;
}
