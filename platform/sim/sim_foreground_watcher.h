#pragma once
// An emulated program in front: a test or the demo says which program comes to the front, and
// every subscriber hears of it at once, on the caller's thread.
#include <memory>
#include <optional>

#include "platform/foreground.h"

namespace sim {

class SimForegroundWatcher final : public platform::ForegroundWatcher {
 public:
  SimForegroundWatcher();
  ~SimForegroundWatcher() override;
  SimForegroundWatcher(const SimForegroundWatcher&) = delete;
  SimForegroundWatcher& operator=(const SimForegroundWatcher&) = delete;

  bool Available() const override;
  platform::ForegroundUnavailable Unavailable() const override;
  // Calls `onChange` with the program in front before it returns (when one was brought to the
  // front and the watcher is available), then on every BringToFront.
  std::unique_ptr<platform::Subscription> Watch(std::function<void(const platform::ForegroundProgram&)> onChange)
      override;

  // Makes the watcher unavailable for `reason`, or available again with kNone. While unavailable,
  // BringToFront changes the program in front but tells nobody.
  void SetUnavailable(platform::ForegroundUnavailable reason);
  // `program` comes to the front: every subscriber is told, one after the other, on this thread.
  void BringToFront(const platform::ForegroundProgram& program);
  // The program brought to the front last.
  std::optional<platform::ForegroundProgram> Front() const;
  int Subscribers() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// The program in front the program itself uses when linked with the sim backend.
SimForegroundWatcher& DemoForegroundWatcher();

}  // namespace sim
