#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace morvane {
namespace {

TEST(WorkerPool, RunsEveryIterationOnceAtAnySize) {
  for (const int threads : {0, 1, 2, 3, 8}) {
    WorkerPool pool(threads);
    EXPECT_EQ(pool.Concurrency(), threads <= 1 ? 1 : threads);
    for (const std::size_t count : {0u, 1u, 2u, 7u, 100u}) {
      std::vector<std::atomic<int>> runs(count);
      pool.ForEach(count, [&](std::size_t i) { ++runs[i]; });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
    }
  }
}

// Loops inside loops inside posted tasks finish even when every worker is busy, because each
// caller takes iterations itself.
TEST(WorkerPool, NestedLoopsNeverWaitForAFreeWorker) {
  WorkerPool pool(2);
  std::atomic<int> leaves = 0;
  std::atomic<int> tasks_done = 0;
  for (int task = 0; task < 4; ++task) {
    pool.Post([&] {
      pool.ForEach(3, [&](std::size_t) { pool.ForEach(5, [&](std::size_t) { ++leaves; }); });
      ++tasks_done;
    });
  }
  while (tasks_done < 4) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(leaves, 4 * 3 * 5);
}

// The lowest failing iteration's exception is the one rethrown, whichever thread met it first;
// with one thread the loop stops there like a plain loop.
TEST(WorkerPool, TheLowestFailingIterationWins) {
  for (const int threads : {1, 2, 4}) {
    WorkerPool pool(threads);
    std::vector<std::atomic<int>> runs(50);
    try {
      pool.ForEach(50, [&](std::size_t i) {
        ++runs[i];
        if (i == 40) throw std::runtime_error("forty");
        if (i == 7) {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          throw std::runtime_error("seven");
        }
      });
      FAIL();
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "seven") << threads;
    }
    for (std::size_t i = 0; i <= 7; ++i) EXPECT_EQ(runs[i], 1) << threads << " " << i;
    if (threads == 1) {
      for (std::size_t i = 8; i < 50; ++i) EXPECT_EQ(runs[i], 0) << i;
    }
  }
}

TEST(WorkerPool, PostedTasksRunOnTheWorkersOrAtOnceWithoutThem) {
  {
    WorkerPool serial(1);
    bool ran = false;
    serial.Post([&] { ran = true; });
    EXPECT_TRUE(ran);
  }
  std::set<std::thread::id> threads;
  std::mutex mutex;
  {
    WorkerPool pool(3);
    for (int i = 0; i < 30; ++i) {
      pool.Post([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const std::lock_guard<std::mutex> lock(mutex);
        threads.insert(std::this_thread::get_id());
      });
    }
  }  // the pool's end waits for what is queued
  EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
  EXPECT_GE(threads.size(), 2u);
}

}  // namespace
}  // namespace morvane
