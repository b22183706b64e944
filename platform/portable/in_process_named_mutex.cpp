// Named mutexes shared by every thread of this process: one recursive mutex per name, kept for the
// life of the process (the program uses a handful of names). Never destroying one means two
// threads can never end up holding different mutexes under the same name. Backends without
// system-wide named mutexes use this.
#include <map>
#include <mutex>

#include "platform/named_mutex.h"

namespace platform {
namespace {

class InProcessNamedMutex final : public NamedMutex {
 public:
  explicit InProcessNamedMutex(std::shared_ptr<std::recursive_mutex> mutex) : mutex_(std::move(mutex)) {}
  void lock() override { mutex_->lock(); }
  void unlock() override { mutex_->unlock(); }

 private:
  std::shared_ptr<std::recursive_mutex> mutex_;
};

}  // namespace

std::unique_ptr<NamedMutex> OpenNamedMutex(const std::wstring& name) {
  static std::mutex registryMutex;
  static std::map<std::wstring, std::shared_ptr<std::recursive_mutex>> registry;
  std::scoped_lock lock(registryMutex);
  std::shared_ptr<std::recursive_mutex>& mutex = registry[name];
  if (!mutex) mutex = std::make_shared<std::recursive_mutex>();
  return std::make_unique<InProcessNamedMutex>(mutex);
}

}  // namespace platform
