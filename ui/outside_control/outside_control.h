#pragma once
// "Allow lighting control from other programs": the OpenRGB SDK server of the running program,
// with the keyboard as its controllers. Off until switched on (from the "more" menu or by
// kbconfigctl); it listens on the loopback address at the remembered port, 6742 (OpenRGB's own)
// unless the user chose another. When that port is taken, the menu's switch says so and lets the
// user pick another, which is remembered.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "lighting/lighting_control.h"
#include "model/config/device_selector.h"
#include "outside/openrgb/lighting_sdk_device.h"
#include "outside/server/openrgb_server.h"
#include "ui/outside_control/port_question.h"

namespace ui {

class ResourcePackage;

class OutsideControl {
 public:
  struct Dependencies {
    lighting::LightingControl& road;
    const ResourcePackage& package;  // the effects' names
    model::DeviceSelector selector;  // where the keyboard is attached, for the controllers' location
    PortQuestion askPort;            // asks for another port when the remembered one is taken
    // Tells the user why the server could not start (English text).
    std::function<void(const QString& text)> tell;
    // Called after the server started or stopped, on the window thread.
    std::function<void()> changed;
    std::uint16_t port = 6742;  // the port remembered (OpenRGB's own unless the user chose another)
    outside::ServerLimits limits{};
  };

  explicit OutsideControl(Dependencies dependencies);
  ~OutsideControl();

  // The menu's switch: on asks for another port while the remembered one is taken (until one
  // works or the user cancels). Returns whether the server runs.
  bool SwitchFromMenu(bool on);
  // Without questions (kbconfigctl): listens at `port`, or the remembered one; a port that
  // works is remembered.
  outside::ListenResult Enable(std::optional<std::uint16_t> port, std::string* error = nullptr);
  void Disable();

  bool IsEnabled() const { return server_->IsRunning(); }
  // The port listened on, or the one that will be tried next.
  std::uint16_t Port() const { return server_->IsRunning() ? server_->Port() : port_; }
  int Clients() const { return server_->Clients(); }
  void SetFirmwareVersion(std::int32_t version) { device_->SetFirmwareVersion(version); }
  // The effects' English names, as the controllers' modes carry them.
  const model::EffectNames& EnglishNames() const { return englishNames_; }
  outside::OpenRgbServer& Server() { return *server_; }

 private:
  Dependencies dependencies_;
  std::uint16_t port_;
  model::EffectNames englishNames_;
  std::unique_ptr<openrgb::LightingSdkDevice> device_;
  std::unique_ptr<outside::OpenRgbServer> server_;
};

}  // namespace ui
