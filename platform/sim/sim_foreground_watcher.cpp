#include "platform/sim/sim_foreground_watcher.h"

#include <map>
#include <mutex>
#include <utility>

namespace sim {

using Callback = std::function<void(const platform::ForegroundProgram&)>;

struct SimForegroundWatcher::State {
  // Held while subscribers are called, so a subscription that goes waits for a call under way.
  std::recursive_mutex callMutex;
  mutable std::mutex mutex;  // guards the fields below
  platform::ForegroundUnavailable unavailable = platform::ForegroundUnavailable::kNone;
  std::optional<platform::ForegroundProgram> front;
  std::map<int, Callback> subscribers;
  int nextId = 1;
};

namespace {

class SimSubscription final : public platform::Subscription {
 public:
  SimSubscription(std::shared_ptr<SimForegroundWatcher::State> state, int id) : state_(std::move(state)), id_(id) {}
  ~SimSubscription() override {
    std::scoped_lock calls(state_->callMutex);
    std::scoped_lock lock(state_->mutex);
    state_->subscribers.erase(id_);
  }

 private:
  std::shared_ptr<SimForegroundWatcher::State> state_;
  int id_;
};

}  // namespace

SimForegroundWatcher::SimForegroundWatcher() : state_(std::make_shared<State>()) {}
SimForegroundWatcher::~SimForegroundWatcher() = default;

bool SimForegroundWatcher::Available() const { return Unavailable() == platform::ForegroundUnavailable::kNone; }

platform::ForegroundUnavailable SimForegroundWatcher::Unavailable() const {
  std::scoped_lock lock(state_->mutex);
  return state_->unavailable;
}

std::unique_ptr<platform::Subscription> SimForegroundWatcher::Watch(Callback onChange) {
  std::scoped_lock calls(state_->callMutex);
  std::optional<platform::ForegroundProgram> front;
  int id = 0;
  {
    std::scoped_lock lock(state_->mutex);
    id = state_->nextId++;
    state_->subscribers.emplace(id, onChange);
    if (state_->unavailable == platform::ForegroundUnavailable::kNone) front = state_->front;
  }
  if (front) onChange(*front);
  return std::make_unique<SimSubscription>(state_, id);
}

void SimForegroundWatcher::SetUnavailable(platform::ForegroundUnavailable reason) {
  std::scoped_lock lock(state_->mutex);
  state_->unavailable = reason;
}

void SimForegroundWatcher::BringToFront(const platform::ForegroundProgram& program) {
  std::scoped_lock calls(state_->callMutex);
  std::map<int, Callback> subscribers;
  {
    std::scoped_lock lock(state_->mutex);
    state_->front = program;
    if (state_->unavailable != platform::ForegroundUnavailable::kNone) return;
    subscribers = state_->subscribers;
  }
  for (const auto& [id, callback] : subscribers) callback(program);
}

std::optional<platform::ForegroundProgram> SimForegroundWatcher::Front() const {
  std::scoped_lock lock(state_->mutex);
  return state_->front;
}

int SimForegroundWatcher::Subscribers() const {
  std::scoped_lock lock(state_->mutex);
  return static_cast<int>(state_->subscribers.size());
}

SimForegroundWatcher& DemoForegroundWatcher() {
  static SimForegroundWatcher watcher;
  return watcher;
}

}  // namespace sim

namespace platform {
ForegroundWatcher& DefaultForegroundWatcher() { return sim::DemoForegroundWatcher(); }
}  // namespace platform
