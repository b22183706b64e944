#pragma once
// Sends the keyboard's reports through an open HidDevice, built from the current lighting stores.
//
// Effect and side-light reports are paced: each goes out at least 100 ms after the previous one
// (or after the last RestartPacing), sleeping on the given clock for the rest. QueryVersion, the
// lighting reports and the factory restore belong to one thread (the window thread);
// SendStartupEffect may run on another, as it touches neither the pacing nor the version.
#include <chrono>
#include <cstdint>
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
  // How long the next lighting report would wait for its pacing now (0 when it may go at once).
  std::chrono::milliseconds TimeUntilPaced() const;

 private:
  void WaitForPacing();

  HidDevice& device_;
  const model::LedEffectStore& effects_;
  const model::SideModelStore& sides_;
  support::Clock& clock_;
  std::optional<support::Clock::TimePoint> lastSendTime_;
  std::int32_t version_ = kUnknownVersion;
};

}  // namespace device
