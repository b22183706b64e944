#include "threads/user_data.h"

namespace threads {

void UserDataSlot::Set(void* pointer, std::int32_t value) {
  std::scoped_lock lock(mutex_);
  if (pointer == nullptr || data_.pointer != nullptr) return;
  data_ = UserData{pointer, value};
}

UserData UserDataSlot::Get() const {
  std::scoped_lock lock(mutex_);
  return data_;
}

}  // namespace threads
