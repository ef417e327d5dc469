#include "platform/worker_count.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

namespace morvane {
namespace {

constexpr int kDefault = 6;

TEST(WorkerCount, TakesAPositiveWholeNumber) {
  EXPECT_EQ(WorkerCountFromSetting("1", kDefault), 1);
  EXPECT_EQ(WorkerCountFromSetting("3", kDefault), 3);
  EXPECT_EQ(WorkerCountFromSetting("+8", kDefault), 8);
  EXPECT_EQ(WorkerCountFromSetting("0012", kDefault), 12);
  EXPECT_EQ(WorkerCountFromSetting("256", kDefault), 256);
}

TEST(WorkerCount, CapsLargeNumbersHoweverLong) {
  EXPECT_EQ(WorkerCountFromSetting("257", kDefault), kMaxWorkerThreads);
  EXPECT_EQ(WorkerCountFromSetting("4294967297", kDefault), kMaxWorkerThreads);  // 2^32 + 1
  EXPECT_EQ(WorkerCountFromSetting(std::string(400, '9'), kDefault), kMaxWorkerThreads);
  EXPECT_EQ(WorkerCountFromSetting("0000000000000000000000000000000000000005", kDefault), 5);
}

TEST(WorkerCount, NothingZeroOrNegativeMeansTheDefault) {
  EXPECT_EQ(WorkerCountFromSetting(std::nullopt, kDefault), kDefault);
  EXPECT_EQ(WorkerCountFromSetting("", kDefault), kDefault);
  EXPECT_EQ(WorkerCountFromSetting("0", kDefault), kDefault);
  EXPECT_EQ(WorkerCountFromSetting("-0", kDefault), kDefault);
  EXPECT_EQ(WorkerCountFromSetting("-2", kDefault), kDefault);
  EXPECT_EQ(WorkerCountFromSetting("-" + std::string(30, '9'), kDefault), kDefault);
}

TEST(WorkerCount, AnythingButSignAndDigitsMeansTheDefault) {
  for (const char* text : {"4x", "x4", " 4", "4 ", "\t4", "4\n", "+", "-", "+-4", "--4", "4.0",
                           "1e3", "0x10", "four", "4,5", "+ 4"}) {
    EXPECT_EQ(WorkerCountFromSetting(text, kDefault), kDefault) << '"' << text << '"';
  }
}

TEST(WorkerCount, KeepsTheDefaultWithinOneAndTheCap) {
  EXPECT_EQ(WorkerCountFromSetting(std::nullopt, 0), 1);
  EXPECT_EQ(WorkerCountFromSetting("junk", -3), 1);
  EXPECT_EQ(WorkerCountFromSetting("", 1000), kMaxWorkerThreads);
  EXPECT_EQ(WorkerCountFromSetting("2", 1000), 2);  // a number given wins over any default
}

#ifdef _WIN32
// The process's affinity mask: a process limited to one CPU has one usable CPU.
TEST(WorkerCount, CountsTheCpusOfTheAffinityMask) {
  DWORD_PTR own = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &own, &system));
  EXPECT_EQ(UsableCpuCount(), std::popcount(static_cast<std::uint64_t>(own)));
  const DWORD_PTR first = own & (~own + 1);
  if (SetProcessAffinityMask(GetCurrentProcess(), first)) {
    EXPECT_EQ(UsableCpuCount(), 1);
    SetProcessAffinityMask(GetCurrentProcess(), own);
  }
}
#else
// The affinity mask is per thread: a thread pinned to one CPU sees one usable CPU, and the
// rest of the process keeps its own mask.
TEST(WorkerCount, CountsTheCpusOfTheAffinityMask) {
  cpu_set_t own;
  CPU_ZERO(&own);
  ASSERT_EQ(sched_getaffinity(0, sizeof own, &own), 0);
  EXPECT_EQ(UsableCpuCount(), CPU_COUNT(&own));

  int first_cpu = 0;
  while (!CPU_ISSET(first_cpu, &own)) ++first_cpu;
  int pinned_count = 0;
  std::thread pinned([&] {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first_cpu, &one);
    if (sched_setaffinity(0, sizeof one, &one) == 0) pinned_count = UsableCpuCount();
  });
  pinned.join();
  EXPECT_EQ(pinned_count, 1);
  EXPECT_EQ(UsableCpuCount(), CPU_COUNT(&own));
}
#endif

}  // namespace
}  // namespace morvane
