#pragma once
// Sends the keyboard's reports through an open HidDevice, built from the current lighting stores.
//
// Effect and side-light reports are paced: each goes out at least 100 ms after the previous one
// (or after the last RestartPacing), sleeping on the given clock for the rest. The program sends
// them from its report pacer's thread (lighting/report_pacer.h), which first waits PacingDelay()
// so that the report it then builds holds the newest state.
//
// Every member may be called from any thread. A version query's two transfers are never split by
// another report; Version() belongs to the thread that queries.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "device/io/hid_device.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "support/clock.h"

namespace device {

class KeyboardCommands {
 public:
  static constexpr std::chrono::milliseconds kLightingInterval{100};
  static constexpr std::int32_t kUnknownVersion = -1;

  KeyboardCommands(HidDevice& device, const model::LedEffectStore& effects, const model::SideModelStore& sides,
                   support::Clock& clock);

  // Asks the keyboard for its firmware version. True and Version() updated when both transfers
  // succeeded; false, with Version() unchanged, when the device is not open or a transfer failed.
  bool QueryVersion();
  // The last version word read (0 to 0xFFFF), or kUnknownVersion before any answer.
  std::int32_t Version() const { return version_; }

  // Sends effect `effectIndex` (-1: the stored selection) with its record. Nothing is sent when
  // that index has no record. The effect code follows the resolved index.
  void SendEffect(int effectIndex);
  // Sends side effect `sideIndex` (-1: the stored selection) with its record; nothing when it has
  // no record. The side index in the report follows the resolved index.
  void SendSideLight(int sideIndex);
  // Sends effect record 0 as the start-up effect. Not paced.
  void SendStartupEffect();
  // Asks the keyboard to restore its factory settings (output report). Not paced.
  void SendFactoryRestore();

  // Counts the pacing interval from now: at initialisation and whenever the keyboard arrives.
  void RestartPacing();
  // How long the next effect or side-light report would wait for its pacing (0 when none).
  std::chrono::milliseconds PacingDelay() const;

 private:
  void WaitForPacing();
  std::chrono::milliseconds PacingDelayLocked() const;

  HidDevice& device_;
  const model::LedEffectStore& effects_;
  const model::SideModelStore& sides_;
  support::Clock& clock_;
  mutable std::mutex pacingMutex_;    // lastSendTime_
  std::mutex transferMutex_;          // one report (or the version query's pair) at a time
  std::optional<support::Clock::TimePoint> lastSendTime_;
  std::int32_t version_ = kUnknownVersion;
};

}  // namespace device
