#include "threads/runable.h"

namespace threads {

void BaseRunable::SetValues(std::int32_t firstValue, std::int32_t secondValue) {
  firstValue_ = firstValue;
  secondValue_ = secondValue;
}

void BaseRunable::SetBuffer(std::span<const std::uint8_t> buffer) { buffer_.assign(buffer.begin(), buffer.end()); }

bool BaseRunable::ConsumeRelease() {
  if (repeat_ < 0) return false;
  if (repeat_ > 0) --repeat_;
  return repeat_ == 0;
}

}  // namespace threads
