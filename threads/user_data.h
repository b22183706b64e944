#pragma once
// The (pointer, value) pair a thread object carries for its callbacks. Set once: the first call
// with a non-null pointer wins, later calls change nothing.
#include <cstdint>
#include <mutex>

namespace threads {

struct UserData {
  void* pointer = nullptr;
  std::int32_t value = 0;
};

class UserDataSlot {
 public:
  void Set(void* pointer, std::int32_t value);
  UserData Get() const;

 private:
  mutable std::mutex mutex_;
  UserData data_;
};

}  // namespace threads
