#pragma once
// Switches profiles by the program in front: watches the platform's watcher while switching by
// program is on, and makes the profile that the program in front brings (program_rules.h) the
// active one. A profile picked by hand stays until another program comes to the front.
//
// The watcher calls from any thread; the switcher hands each change to the service's thread
// through `post` and keeps only the newest program until it runs there, so a burst of focus
// changes ends in one switch to the last program's profile. Everything else runs on the service's
// thread.
#include <functional>
#include <memory>
#include <optional>

#include "model/settings/settings_store.h"
#include "platform/foreground.h"
#include "profiles/profile_service.h"

namespace profiles {

class ForegroundSwitcher {
 public:
  // Runs a piece of work later on the service's thread.
  using Post = std::function<void(std::function<void()>)>;

  ForegroundSwitcher(ProfileService& service, model::SettingsStore& settings, platform::ForegroundWatcher& watcher,
                     Post post);
  ~ForegroundSwitcher();
  ForegroundSwitcher(const ForegroundSwitcher&) = delete;
  ForegroundSwitcher& operator=(const ForegroundSwitcher&) = delete;

  // Starts or stops watching as the settings say, and lets the next program reported count under
  // the settings as they are now. Call after every change of the rules.
  void Refresh();

  const platform::ForegroundWatcher& Watcher() const { return watcher_; }
  bool Watching() const { return subscription_ != nullptr; }
  // The last program other than this one that was reported in front (nothing before the first).
  std::optional<platform::ForegroundProgram> LastOtherProgram() const;

  struct Relay;

 private:
  void OnProgram(const platform::ForegroundProgram& program);

  ProfileService& service_;
  model::SettingsStore& settings_;
  platform::ForegroundWatcher& watcher_;
  std::shared_ptr<Relay> relay_;
  std::unique_ptr<platform::Subscription> subscription_;
  std::optional<platform::ForegroundProgram> seen_;  // the program in front when last looked at
};

}  // namespace profiles
