// A fixed set of worker threads, and loops whose iterations they share with the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace morvane {

class WorkerPool {
 public:
  // A pool of thread_count threads; with 1 or fewer it starts none, and everything runs on the
  // calling thread, one iteration after another.
  explicit WorkerPool(int thread_count);
  // Waits for the tasks already queued, then ends the threads.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The number of threads that do the work: at least 1 (the caller's, when there is no pool).
  int Concurrency() const { return threads_.empty() ? 1 : static_cast<int>(threads_.size()); }
  bool Serial() const { return threads_.empty(); }

  // Queues a task for a worker thread; without threads it runs at once. The task must not
  // throw.
  void Post(std::function<void()> task);

  // Runs body(i) for every i below count and returns when all have ended. The calling thread
  // takes iterations itself, idle workers take the others, so a loop never waits for a free
  // worker and loops may nest. When iterations throw, the one with the lowest index wins and is
  // rethrown; iterations after it that have not started are skipped. With no pool the
  // iterations run in order and the first exception ends the loop, as a plain loop would.
  void ForEach(std::size_t count, const std::function<void(std::size_t)>& body);

 private:
  void Work();

  // A plain condition variable and a flag of its own (rather than a stop token): the stop
  // token's wait missed its wake-up under mingw-w64's thread library, and the pool hung.
  std::mutex mutex_;
  std::condition_variable task_ready_;
  bool stopping_ = false;  // guarded by mutex_
  std::deque<std::function<void()>> tasks_;
  std::vector<std::thread> threads_;
};

}  // namespace morvane
