#include "profiles/foreground_switcher.h"

#include <mutex>
#include <utility>

#include "profiles/program_rules.h"
#include "support/logger.h"
#include "support/text.h"

namespace profiles {

// Between the watcher's thread and the service's: the newest program, and whether a hand-over is
// on its way. `switcher` is cleared (on the service's thread) when the switcher goes.
struct ForegroundSwitcher::Relay {
  std::mutex mutex;
  std::optional<platform::ForegroundProgram> newest;
  std::optional<platform::ForegroundProgram> lastOther;
  bool posted = false;
  ForegroundSwitcher* switcher = nullptr;
  Post post;

  void Report(const platform::ForegroundProgram& program, const std::shared_ptr<Relay>& self) {
    std::scoped_lock lock(mutex);
    newest = program;
    if (!program.isThisProgram) lastOther = program;
    if (posted) return;
    posted = true;
    post([self] { self->Deliver(); });
  }

  // On the service's thread.
  void Deliver() {
    std::optional<platform::ForegroundProgram> program;
    {
      std::scoped_lock lock(mutex);
      posted = false;
      program = std::exchange(newest, std::nullopt);
    }
    if (switcher && program) switcher->OnProgram(*program);
  }
};

ForegroundSwitcher::ForegroundSwitcher(ProfileService& service, model::SettingsStore& settings,
                                       platform::ForegroundWatcher& watcher, Post post)
    : service_(service), settings_(settings), watcher_(watcher), relay_(std::make_shared<Relay>()) {
  relay_->switcher = this;
  relay_->post = std::move(post);
}

ForegroundSwitcher::~ForegroundSwitcher() {
  subscription_.reset();  // no more calls from the watcher after this
  relay_->switcher = nullptr;
}

void ForegroundSwitcher::Refresh() {
  const bool wanted = settings_.Current().switchByProgram && watcher_.Available();
  if (!wanted) {
    subscription_.reset();
    seen_.reset();
    return;
  }
  // The rules may have changed: the next program reported counts anew (also the one in front now,
  // were it reported again). Nothing switches here: the user is in this program's window.
  seen_.reset();
  if (subscription_) return;
  std::weak_ptr<Relay> relay = relay_;
  subscription_ = watcher_.Watch([relay](const platform::ForegroundProgram& program) {
    if (const std::shared_ptr<Relay> target = relay.lock()) target->Report(program, target);
  });
}

std::optional<platform::ForegroundProgram> ForegroundSwitcher::LastOtherProgram() const {
  std::scoped_lock lock(relay_->mutex);
  return relay_->lastOther;
}

void ForegroundSwitcher::OnProgram(const platform::ForegroundProgram& program) {
  // A repeat leaves a profile picked by hand; this program's own windows count as a change, so
  // coming back from them to a program brings its profile back.
  if (!subscription_ || seen_ == program) return;
  seen_ = program;
  const std::optional<std::wstring> profile = ProfileForProgram(settings_.Current(), program);
  if (!profile) return;
  if (service_.Switch(*profile) == ProfileResult::kNoSuchProfile) {
    support::Log("profile: \"%s\" for %s does not exist; the first profile is used\n",
                 support::WideToUtf8(*profile).c_str(), support::WideToUtf8(program.executablePath).c_str());
    service_.Switch(L"");
  }
}

}  // namespace profiles
