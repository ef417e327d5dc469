#include "platform/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>

namespace morvane {

namespace {

// One ForEach loop, shared by the caller and the helpers it posted. A helper may start after
// the loop has ended; it then finds no iteration left and never touches the body.
struct Loop {
  Loop(std::size_t iterations, const std::function<void(std::size_t)>& loop_body)
      : count(iterations), body(loop_body) {}

  // Takes iterations until none is left.
  void Run() {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count) return;
      if (i < stop_at.load()) {
        try {
          body(i);
        } catch (...) {
          Fail(i, std::current_exception());
        }
      }
      const std::lock_guard<std::mutex> lock(mutex);
      if (++ended == count) all_ended.notify_all();
    }
  }

  void Fail(std::size_t i, std::exception_ptr exception) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (i < error_index) {
      error_index = i;
      error = std::move(exception);
      stop_at.store(i);
    }
  }

  const std::size_t count;
  const std::function<void(std::size_t)>& body;
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> stop_at{SIZE_MAX};  // iterations from here on are skipped

  std::mutex mutex;
  std::condition_variable all_ended;
  std::size_t ended = 0;  // iterations run or skipped
  std::size_t error_index = SIZE_MAX;
  std::exception_ptr error;
};

}  // namespace

WorkerPool::WorkerPool(int thread_count) {
  if (thread_count <= 1) return;
  threads_.reserve(static_cast<std::size_t>(thread_count));
  for (int i = 0; i < thread_count; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
  // Every thread is asked to stop, drains what is queued and is joined, before the queue goes.
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  task_ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::Post(std::function<void()> task) {
  if (threads_.empty()) {
    task();
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  task_ready_.notify_one();
}

void WorkerPool::Work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      task_ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;  // asked to stop, and nothing is left
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void WorkerPool::ForEach(std::size_t count, const std::function<void(std::size_t)>& body) {
  if (threads_.empty() || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) body(i);
    return;
  }
  const auto loop = std::make_shared<Loop>(count, body);
  const std::size_t helpers = std::min(count - 1, threads_.size());
  for (std::size_t i = 0; i < helpers; ++i) Post([loop] { loop->Run(); });
  loop->Run();
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(loop->mutex);
    loop->all_ended.wait(lock, [&] { return loop->ended == count; });
    // The exception moves out under the lock, so the helper that drops the last reference to the
    // loop never destroys an exception the caller is still handling.
    error = std::move(loop->error);
  }
  if (error) std::rethrow_exception(std::move(error));
}

}  // namespace morvane
