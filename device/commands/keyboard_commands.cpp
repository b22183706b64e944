#include "device/commands/keyboard_commands.h"

#include "device/commands/keyboard_reports.h"

namespace device {

KeyboardCommands::KeyboardCommands(HidDevice& device, const model::LedEffectStore& effects,
                                   const model::SideModelStore& sides, support::Clock& clock)
    : device_(device), effects_(effects), sides_(sides), clock_(clock) {}

bool KeyboardCommands::QueryVersion() {
  if (!device_.IsPresent()) return false;
  ReportBytes buffer = VersionQuery();
  if (!device_.SetFeature(buffer)) return false;
  if (!device_.GetFeature(buffer)) return false;
  version_ = VersionWord(buffer);
  return true;
}

void KeyboardCommands::SendEffect(int effectIndex) {
  const int index = effectIndex == -1 ? effects_.Selected() : effectIndex;
  const std::optional<model::EffectRecord> record = effects_.RecordAt(index);
  if (!record) return;
  WaitForPacing();
  // A failed transfer is logged by HidDevice; the report is not retried.
  device_.SetFeature(EffectReport(index, *record));
  lastSendTime_ = clock_.Now();
}

void KeyboardCommands::SendSideLight(int sideIndex) {
  const int index = sideIndex == -1 ? sides_.Selected() : sideIndex;
  const std::optional<model::SideRecord> record = sides_.RecordAt(index);
  if (!record) return;
  WaitForPacing();
  device_.SetFeature(SideLightReport(index, *record));
  lastSendTime_ = clock_.Now();
}

void KeyboardCommands::SendStartupEffect() {
  const std::optional<model::EffectRecord> record = effects_.RecordAt(0);
  if (!record) return;
  device_.SetFeature(StartupEffectReport(*record));
}

void KeyboardCommands::SendFactoryRestore() { device_.Write(FactoryRestoreReport()); }

void KeyboardCommands::RestartPacing() { lastSendTime_ = clock_.Now(); }

std::chrono::milliseconds KeyboardCommands::TimeUntilPaced() const {
  if (!lastSendTime_) return std::chrono::milliseconds(0);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - *lastSendTime_);
  return elapsed < kLightingInterval ? kLightingInterval - elapsed : std::chrono::milliseconds(0);
}

void KeyboardCommands::WaitForPacing() {
  const std::chrono::milliseconds remaining = TimeUntilPaced();
  if (remaining.count() > 0) clock_.SleepFor(remaining);
}

}  // namespace device
