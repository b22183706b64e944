#pragma once
// Listeners of the key filter channel: a one-operation interface and a template that binds an
// owner object and one of its member functions. The channel owns the proxies it holds.
#include <cstdint>

namespace HidUsbFilter {

class IMonitorProxy {
 public:
  // page and usage zero-extended, down 1 (press) or 0 (release). Nonzero: the event is consumed
  // and no later listener sees it.
  virtual std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) = 0;
  virtual ~IMonitorProxy() = default;
};

template <class T>
class MonitorProxy final : public IMonitorProxy {
 public:
  using Handler = std::int32_t (T::*)(std::uint32_t page, std::uint32_t usage, std::uint32_t down);

  MonitorProxy(T* owner, Handler handler) : owner_(owner), handler_(handler) {}

  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) override {
    return (owner_->*handler_)(page, usage, down);
  }

  // Same owner and same member function (member-pointer equality compares the code address and,
  // for a non-null pointer, the this-adjustment).
  bool Matches(const T* owner, Handler handler) const { return owner_ == owner && handler_ == handler; }

 private:
  T* owner_;
  Handler handler_;
};

}  // namespace HidUsbFilter
