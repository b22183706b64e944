#pragma once
// A watcher of the program in front for a system it cannot watch: unavailable, never calls back.
#include "platform/foreground.h"

namespace platform::portable {

class UnavailableForegroundWatcher final : public ForegroundWatcher {
 public:
  explicit UnavailableForegroundWatcher(ForegroundUnavailable reason) : reason_(reason) {}
  bool Available() const override { return false; }
  ForegroundUnavailable Unavailable() const override { return reason_; }
  std::unique_ptr<Subscription> Watch(std::function<void(const ForegroundProgram&)> onChange) override;

 private:
  ForegroundUnavailable reason_;
};

}  // namespace platform::portable
