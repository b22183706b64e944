// Named mutexes as Windows mutex objects: they order threads, are re-entrant on their owner, and
// two opens of one name are one mutex.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/named_mutex.h"
#include "support/logger.h"
#include "win32_test_support.h"

namespace {

using namespace std::chrono_literals;

// Starts a thread that locks its own handle of `name`, records that it got in, and unlocks.
class Contender {
 public:
  explicit Contender(const std::wstring& name)
      : thread_([this, name] {
          auto mutex = platform::OpenNamedMutex(name);
          mutex->lock();
          entered_.set_value();
          mutex->unlock();
        }),
        entered_future_(entered_.get_future()) {}
  ~Contender() {
    if (thread_.joinable()) thread_.join();
  }
  // Generous bound: a thread that is not blocked gets in well within it.
  bool EnteredWithin(std::chrono::milliseconds limit) {
    return entered_future_.wait_for(limit) == std::future_status::ready;
  }

 private:
  std::promise<void> entered_;
  std::thread thread_;
  std::future<void> entered_future_;
};

TEST(NamedMutexWin32Test, OrdersTwoThreads) {
  const std::wstring name = win32_test::UniqueName(L"kbconfig-order");
  auto mutex = platform::OpenNamedMutex(name);
  mutex->lock();
  Contender other(name);
  EXPECT_FALSE(other.EnteredWithin(200ms));  // held here: the other thread waits
  mutex->unlock();
  EXPECT_TRUE(other.EnteredWithin(30s));
}

TEST(NamedMutexWin32Test, IsReentrantOnItsOwnerAndReleasedOnlyByTheLastUnlock) {
  const std::wstring name = win32_test::UniqueName(L"kbconfig-reentrant");
  auto outer = platform::OpenNamedMutex(name);
  auto inner = platform::OpenNamedMutex(name);  // a second handle of the same name, same thread
  outer->lock();
  inner->lock();  // would deadlock if it were not re-entrant
  Contender other(name);
  inner->unlock();
  EXPECT_FALSE(other.EnteredWithin(200ms));  // still owned once
  outer->unlock();
  EXPECT_TRUE(other.EnteredWithin(30s));
}

TEST(NamedMutexWin32Test, DifferentNamesDoNotBlockEachOther) {
  auto first = platform::OpenNamedMutex(win32_test::UniqueName(L"kbconfig-a"));
  first->lock();
  Contender other(win32_test::UniqueName(L"kbconfig-b"));
  EXPECT_TRUE(other.EnteredWithin(30s));
  first->unlock();
}

TEST(NamedMutexWin32Test, NameTheSystemRefusesFallsBackToAPrivateMutexThatStillOrders) {
  // A backslash is a namespace separator in mutex names; this namespace does not exist.
  const std::wstring name = L"NoSuchNamespace\\" + win32_test::UniqueName(L"kbconfig-fallback");
  support::ScopedLogCapture log;
  auto mutex = platform::OpenNamedMutex(name);
  ASSERT_NE(mutex, nullptr);
  EXPECT_NE(log.Text().find("CreateMutexW(NoSuchNamespace\\kbconfig-fallback"), std::string::npos) << log.Text();
  mutex->lock();
  mutex->lock();
  Contender other(name);
  mutex->unlock();
  EXPECT_FALSE(other.EnteredWithin(200ms));
  mutex->unlock();
  EXPECT_TRUE(other.EnteredWithin(30s));
}

}  // namespace
