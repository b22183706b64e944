// Named mutexes are Windows mutex objects (CreateMutexW opens the existing one of that name or
// creates it), so they order threads of every process. A Windows mutex is owned by a thread and
// may be taken again by its owner, which matches the seam's recursive rule.
#include <map>
#include <mutex>

#include "platform/named_mutex.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"
#include "support/text.h"

namespace platform {
namespace {

class WinNamedMutex final : public NamedMutex {
 public:
  WinNamedMutex(win32::UniqueHandle mutex, std::wstring name) : mutex_(std::move(mutex)), name_(std::move(name)) {}

  void lock() override {
    const DWORD wait = WaitForSingleObject(mutex_.get(), INFINITE);
    if (wait == WAIT_ABANDONED) {
      // The previous owner ended without releasing it; we own it now.
      support::LogFailure("NamedMutex::lock", support::WideToUtf8(name_) + ": abandoned by its previous owner");
    } else if (wait != WAIT_OBJECT_0) {
      win32::LogWinFailure("WaitForSingleObject(named mutex)", GetLastError());
    }
  }

  void unlock() override {
    if (!ReleaseMutex(mutex_.get())) win32::LogWinFailure("ReleaseMutex", GetLastError());
  }

 private:
  win32::UniqueHandle mutex_;
  std::wstring name_;
};

// Used when the system refuses a named mutex: one recursive mutex per name, in this process.
class PrivateNamedMutex final : public NamedMutex {
 public:
  explicit PrivateNamedMutex(std::shared_ptr<std::recursive_mutex> mutex) : mutex_(std::move(mutex)) {}
  void lock() override { mutex_->lock(); }
  void unlock() override { mutex_->unlock(); }

 private:
  std::shared_ptr<std::recursive_mutex> mutex_;
};

std::unique_ptr<NamedMutex> OpenPrivateNamedMutex(const std::wstring& name) {
  static std::mutex registryMutex;
  static std::map<std::wstring, std::weak_ptr<std::recursive_mutex>> registry;
  std::scoped_lock lock(registryMutex);
  std::shared_ptr<std::recursive_mutex> mutex = registry[name].lock();
  if (!mutex) {
    mutex = std::make_shared<std::recursive_mutex>();
    registry[name] = mutex;
  }
  return std::make_unique<PrivateNamedMutex>(std::move(mutex));
}

}  // namespace

std::unique_ptr<NamedMutex> OpenNamedMutex(const std::wstring& name) {
  win32::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
  if (!mutex) {
    win32::LogWinFailure("CreateMutexW(" + support::WideToUtf8(name) + ")", GetLastError());
    return OpenPrivateNamedMutex(name);
  }
  return std::make_unique<WinNamedMutex>(std::move(mutex), name);
}

}  // namespace platform
