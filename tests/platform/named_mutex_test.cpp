#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(NamedMutex, ReentrantOnOneThreadAndExclusiveAcrossThreads) {
  std::atomic<bool> otherGotIt{false};
  std::thread other;
  {
    auto outer = platform::OpenNamedMutex(L"HidDevice::Open");
    auto inner = platform::OpenNamedMutex(L"HidDevice::Open");
    std::scoped_lock first(*outer);
    std::scoped_lock again(*inner);  // same name, same thread: must not deadlock
    other = std::thread([&] {
      auto mine = platform::OpenNamedMutex(L"HidDevice::Open");
      std::scoped_lock lock(*mine);
      otherGotIt = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(otherGotIt.load());
  }
  // Leaving the scope released both levels, so the other thread gets in.
  other.join();
  EXPECT_TRUE(otherGotIt.load());
}

TEST(NamedMutex, DifferentNamesDoNotBlockEachOther) {
  auto write = platform::OpenNamedMutex(L"HidDevice::Write");
  std::scoped_lock lock(*write);
  std::thread other([] {
    auto feature = platform::OpenNamedMutex(L"HidDevice::GetFeature");
    std::scoped_lock inner(*feature);
  });
  other.join();  // would hang if names were shared
}

TEST(NamedMutex, SerialisesIncrementsFromManyThreads) {
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&counter] {
      for (int i = 0; i < 1000; ++i) {
        auto mutex = platform::OpenNamedMutex(L"counter");
        std::scoped_lock lock(*mutex);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 4000);
}

}  // namespace
