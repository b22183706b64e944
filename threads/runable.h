#pragma once
// Jobs for RunableThread: two values and a byte buffer handed to Run, plus the timing that says
// when and how often the timer releases the job.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace threads {

class BaseRunable {
 public:
  virtual ~BaseRunable() = default;

  virtual bool IsValid() const = 0;
  // A new job with the same content (the buffer copied).
  virtual std::unique_ptr<BaseRunable> Clone() const = 0;
  virtual std::int32_t Run(std::int32_t firstValue, std::int32_t secondValue, std::span<const std::uint8_t> buffer) = 0;

  void SetValues(std::int32_t firstValue, std::int32_t secondValue);
  void SetBuffer(std::span<const std::uint8_t> buffer);
  // Time from the timer's first sight of the job to its release; 0 at construction.
  void SetInterval(std::uint32_t milliseconds) { interval_ = milliseconds; }
  // Releases left: 1 at construction; 0 releases once, like 1; a negative count never runs out.
  void SetRepeat(std::int32_t repeat) { repeat_ = repeat; }
  // When set, the timer does not look at the jobs behind this one while it is listed.
  void SetHoldBack(bool holdBack) { holdBack_ = holdBack; }

  std::int32_t FirstValue() const { return firstValue_; }
  std::int32_t SecondValue() const { return secondValue_; }
  std::span<const std::uint8_t> Buffer() const { return buffer_; }
  std::uint32_t Interval() const { return interval_; }
  std::int32_t Repeat() const { return repeat_; }
  bool HoldBack() const { return holdBack_; }

  // Counts one release: decrements a positive count. True when the job is used up (the count was
  // 0 or has reached 0).
  bool ConsumeRelease();

 protected:
  BaseRunable() = default;
  BaseRunable(const BaseRunable&) = default;
  BaseRunable& operator=(const BaseRunable&) = default;

 private:
  std::int32_t firstValue_ = 0;
  std::int32_t secondValue_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::uint32_t interval_ = 0;
  std::int32_t repeat_ = 1;
  bool holdBack_ = false;
};

// A job that calls `(owner->*function)(firstValue, secondValue, buffer)`. Does not own the owner.
template <typename Owner>
class ThreadRunable final : public BaseRunable {
 public:
  using Function = std::int32_t (Owner::*)(std::int32_t firstValue, std::int32_t secondValue,
                                            std::span<const std::uint8_t> buffer);

  ThreadRunable(Owner* owner, Function function) : owner_(owner), function_(function) {}

  bool IsValid() const override { return owner_ != nullptr && function_ != nullptr; }

  std::unique_ptr<BaseRunable> Clone() const override { return std::make_unique<ThreadRunable>(*this); }

  std::int32_t Run(std::int32_t firstValue, std::int32_t secondValue, std::span<const std::uint8_t> buffer) override {
    if (!IsValid()) return 0;
    return (owner_->*function_)(firstValue, secondValue, buffer);
  }

 private:
  Owner* owner_;
  Function function_;
};

}  // namespace threads
