#include "playback/macro_player.h"

#include <memory>
#include <optional>
#include <vector>

#include "playback/play_mode.h"
#include "threads/worker_control.h"

namespace playback {

MacroPlayer::MacroPlayer(model::RecordStore& records, hostdrv::VHidev& device, const support::Clock& clock,
                         std::unique_ptr<platform::DeadlineWait> stepWait)
    : records_(records), device_(device), runner_(device, clock), playbackThread(std::move(stepWait)) {
  playbackThread.SetUserData(&currentRecord, 0);
  playbackThread.SetRunCallback(
      std::make_unique<threads::EasyThread::Callback<threads::IEasyThread, MacroPlayer>>(this, &MacroPlayer::RunPlayback));
}

MacroPlayer::~MacroPlayer() { Shutdown(); }

std::int32_t MacroPlayer::OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
  std::scoped_lock lock(eventMutex_);
  if (shutDown_) return 0;
  const model::KeyCode code = (page << 16) | (usage & 0xFFFF);
  const bool pressed = down != 0;

  if (pressed) {
    down_.insert(code);
    heldAcrossSwitch_.erase(code);
  } else {
    down_.erase(code);
  }

  // A forwarded key goes up as the key it went down as, even if its record changed meanwhile.
  bool forwardedRelease = false;
  if (!pressed) {
    if (const std::optional<model::KeyCode> sent = forwarded_.Released(code)) {
      SendKey(*sent, false);
      forwardedRelease = true;
    }
    // Pressed under records no longer in force: its release is not theirs to act on.
    if (heldAcrossSwitch_.erase(code) != 0) return 0;
  }

  if (ApplyStopRules(code, pressed)) return 0;

  // A snapshot: the window thread may publish a changed list while this walks it.
  const std::shared_ptr<const model::RecordStore::Records> records = records_.Snapshot();
  for (const model::KeyRecord& record : *records) {
    if (record.code != code) continue;
    if (record.play == kPlayForward) {
      if (!forwardedRelease) Forward(record, code, pressed);
    } else if (StartsPlayback(record.play) && pressed) {
      StartPlayback(record);
    }
  }
  return 0;
}

bool MacroPlayer::ApplyStopRules(model::KeyCode code, bool down) {
  int play = 0;
  model::KeyCode current = 0;
  {
    std::scoped_lock lock(playbackThread.DataMutex());
    play = currentRecord.play;
    current = currentRecord.code;
  }
  const bool sameKey = current != 0 && code == current;
  switch (play) {
    case kPlayWhileHeld:
      if (down || !sameKey) return false;
      StopPlayback();
      return true;
    case kPlayToggle:
      if (!down || !sameKey) return false;
      StopPlayback();
      return true;
    case kPlayUntilOtherKey:
      if (!down) return false;
      if (code != current) {
        StopPlayback();
        std::scoped_lock lock(playbackThread.DataMutex());
        currentRecord.play = 0;
      }
      return true;
    case kPlayUntilAnyKey: {
      if (!down) return false;
      StopPlayback();
      std::scoped_lock lock(playbackThread.DataMutex());
      currentRecord.play = 0;
      return true;
    }
    default:
      return false;
  }
}

void MacroPlayer::StopPlayback() {
  // Never under the data mutex: the playback thread takes it on its way out.
  playbackThread.Stop();
  std::scoped_lock lock(playbackThread.DataMutex());
  currentRecord.code = 0;
  currentRecord.type = 0;
}

void MacroPlayer::EndPlayback() {
  StopPlayback();
  std::scoped_lock lock(playbackThread.DataMutex());
  currentRecord.play = 0;
}

void MacroPlayer::StopAll() {
  std::scoped_lock lock(eventMutex_);
  if (shutDown_) return;
  EndPlayback();
  for (const auto& [physical, sent] : forwarded_.TakeAll()) SendKey(sent, false);
}

void MacroPlayer::SwitchRecords(const std::function<void()>& adopt) {
  std::scoped_lock lock(eventMutex_);
  if (!shutDown_) EndPlayback();
  heldAcrossSwitch_ = down_;
  adopt();
}

void MacroPlayer::StopKey(model::KeyCode code) {
  std::scoped_lock lock(eventMutex_);
  if (shutDown_) return;
  bool current = false;
  {
    std::scoped_lock dataLock(playbackThread.DataMutex());
    current = currentRecord.code == code;
  }
  if (current) EndPlayback();
  if (const std::optional<model::KeyCode> sent = forwarded_.Released(code)) SendKey(*sent, false);
}

void MacroPlayer::Forward(const model::KeyRecord& record, model::KeyCode code, bool down) {
  if (record.steps.empty()) return;
  const model::KeyCode target = record.steps.front().code;
  if (!down) {
    SendKey(target, false);
    return;
  }
  // A second press without a release (the record changed in between) lets the old key go first.
  if (const std::optional<model::KeyCode> previous = forwarded_.Released(code); previous && *previous != target) {
    SendKey(*previous, false);
  }
  SendKey(target, true);
  forwarded_.Pressed(code, target);
}

void MacroPlayer::StartPlayback(const model::KeyRecord& record) {
  playbackThread.Stop();  // waits until the running playback has released its keys
  {
    std::scoped_lock lock(playbackThread.DataMutex());
    currentRecord = record;
  }
  if (playbackThread.Start(this) != 0) {
    // No thread: leave nothing behind that stop rules would act on.
    std::scoped_lock lock(playbackThread.DataMutex());
    currentRecord = model::KeyRecord{};
  }
}

void MacroPlayer::SendKey(model::KeyCode key, bool down) {
  device_.SetKey(model::KeyPage(key), model::KeyUsage(key), down);
}

std::int32_t MacroPlayer::RunPlayback(threads::IEasyThread& thread, void* /*owner*/) {
  model::KeyCode code = 0;
  PassCount passes;
  std::vector<model::MacroStep> steps;
  {
    std::scoped_lock lock(playbackThread.DataMutex());
    code = currentRecord.code;
    passes = PassesFor(currentRecord.play, currentRecord.repeat);
    if (code != 0 && !passes.IsNone()) steps = currentRecord.steps;
  }
  if (code == 0 || passes.IsNone()) {
    // Nothing to play until the next Stop: every new playback stops this thread before it
    // starts it again, so the wait needs no time limit and the idle thread does not wake up.
    thread.Sleep(threads::kSleepInfinite);
    return 0;
  }

  runner_.Play(steps, passes, thread);

  {
    std::scoped_lock lock(playbackThread.DataMutex());
    currentRecord.code = 0;
    currentRecord.type = 0;
  }
  runner_.ReleasePressed(steps);
  return 0;
}

void MacroPlayer::Shutdown() {
  std::scoped_lock lock(eventMutex_);
  shutDown_ = true;
  StopPlayback();
  for (const auto& [physical, sent] : forwarded_.TakeAll()) SendKey(sent, false);
  // A release whose write failed earlier left its key down on the device: send it again.
  device_.ResendUnsent();
}

model::KeyRecord MacroPlayer::CurrentRecord() {
  std::scoped_lock lock(playbackThread.DataMutex());
  return currentRecord;
}

}  // namespace playback
