#pragma once
// Carries out assigned keys on the host: the key-event routine that the key filter channel calls
// for every captured key, and the macro playback on its own thread.
//
// A play-1 record forwards the key's press and release at once as the record's first step, through
// the virtual HID device. Play 2 to 6 and 8 start a playback of the record's steps on
// `playbackThread`; while a playback is current, its play value's stop rules end it on later key
// events (3: release of the same key; 4: the same key pressed again; 5: another key pressed, the
// same key ignored; 6: any key pressed).
//
// Threads: OnKeyEvent runs on the channel's monitor thread, RunPlayback on `playbackThread`.
// `currentRecord` is read and written only under the playback thread's data mutex. Every end of a
// playback (run out, stop rule, a new press, shutdown) releases the keys its steps pressed.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

#include "hostdrv/vhidev.h"
#include "model/records/key_record.h"
#include "model/records/record_store.h"
#include "platform/deadline_wait.h"
#include "playback/forwarded_keys.h"
#include "playback/step_runner.h"
#include "support/clock.h"
#include "threads/easy_thread.h"

namespace playback {

class MacroPlayer {
 public:
  // `stepWait` serves the waits between steps (the linked backend's unless given).
  MacroPlayer(model::RecordStore& records, hostdrv::VHidev& device,
              const support::Clock& clock = support::SteadyClock::Instance(),
              std::unique_ptr<platform::DeadlineWait> stepWait = platform::CreateDeadlineWait());
  // Shutdown().
  ~MacroPlayer();
  MacroPlayer(const MacroPlayer&) = delete;
  MacroPlayer& operator=(const MacroPlayer&) = delete;

  // The key filter channel's listener: page and usage of the key, down 1 (press) or 0 (release).
  // Always 0, so later listeners see the event too.
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down);

  // The playback thread's run callback, called again and again while the thread runs: plays the
  // current record once through its passes, then releases its press steps. With nothing to play
  // (a finished playback) it waits for the next stop without waking up. Always 0.
  std::int32_t RunPlayback(threads::IEasyThread& thread, void* owner);

  // Ends the running playback (releasing the keys its steps pressed) and releases every key that
  // forwarding holds down. Key events go on being handled afterwards. For the "Stop all macros"
  // command, the factory restore, and the macro editor before it takes the keys.
  void StopAll();
  // A profile switch: runs `adopt`, which puts other records in force, between two key events.
  // The running playback ends first (the keys its steps pressed go up). Keys held down now keep
  // what they did when they went down until they are released: a forwarded key goes up as the key
  // it went down as, and the release of any other key does not reach the new records.
  void SwitchRecords(const std::function<void()>& adopt);

  // Ends the playback of `code` when it is the current one and releases what forwarding of `code`
  // holds down: the key's record is being deleted or replaced.
  void StopKey(model::KeyCode code);

  // Ends the playback (releasing its keys), releases the keys that forwarding left down and sends
  // again any report of the virtual device whose write had failed, so nothing stays down. Key
  // events after this are ignored. Call before the channel that calls OnKeyEvent is torn down or
  // after its listener is removed; the destructor calls it too.
  void Shutdown();

  // A copy of the current record, taken under the data mutex.
  model::KeyRecord CurrentRecord();
  // True while a playback thread runs (a finished play-2 playback keeps it running, idle).
  bool IsPlaybackThreadRunning() const { return playbackThread.IsRunning(); }

 private:
  // The stop rules of the current playback. True when the event is used up by them.
  bool ApplyStopRules(model::KeyCode code, bool down);
  // Stops the playback thread and leaves the current record idle (code 0), even when the thread
  // was stopped before RunPlayback got to its end.
  void StopPlayback();
  // StopPlayback, and the stopped playback's stop rules end with it (play 0).
  void EndPlayback();
  void Forward(const model::KeyRecord& record, model::KeyCode code, bool down);
  void StartPlayback(const model::KeyRecord& record);
  void SendKey(model::KeyCode key, bool down);

  model::RecordStore& records_;
  hostdrv::VHidev& device_;
  StepRunner runner_;
  ForwardedKeys forwarded_;

  // Serialises OnKeyEvent and Shutdown, so no playback starts once shutdown has begun.
  std::mutex eventMutex_;
  bool shutDown_ = false;  // guarded by eventMutex_
  // Captured keys down now, and those of them that went down before the last switch of records
  // (both guarded by eventMutex_). A key whose release the player never heard (the editor took
  // it) stays listed until its next press; that is harmless, as a press always starts afresh.
  std::set<model::KeyCode> down_;
  std::set<model::KeyCode> heldAcrossSwitch_;

  model::KeyRecord currentRecord;  // guarded by playbackThread.DataMutex()
  // Last member: destroyed first, so its worker never outlives what RunPlayback uses.
  threads::EasyThread playbackThread;
};

}  // namespace playback
