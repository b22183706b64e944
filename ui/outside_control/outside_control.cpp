#include "ui/outside_control/outside_control.h"

#include <cstdio>

#include "model/resources/effect_names.h"
#include "outside/openrgb/sdk_protocol.h"
#include "support/logger.h"
#include "ui/toolkit/resource_package.h"

namespace ui {

namespace {

model::EffectNames NamesInLayout(const ResourcePackage& package) {
  QByteArray layout;
  std::string error;
  if (package.ReadBytes("LAYOUT:XML_MAINWND", layout)) {
    if (std::optional<model::EffectNames> names =
            model::ParseEffectNames(std::string_view(layout.constData(), static_cast<std::size_t>(layout.size())), error)) {
      return *names;
    }
  }
  support::LogFailure("OutsideControl: effect names", error.empty() ? "no main window layout" : error);
  return {};
}

std::string Location(const model::DeviceSelector& selector) {
  char text[40];
  std::snprintf(text, sizeof text, "HID %04x:%04x", static_cast<unsigned>(selector.vid) & 0xFFFF,
                static_cast<unsigned>(selector.pid) & 0xFFFF);
  return text;
}

}  // namespace

OutsideControl::OutsideControl(Dependencies dependencies)
    : dependencies_(std::move(dependencies)),
      port_(dependencies_.port),
      englishNames_(NamesInLayout(dependencies_.package)),
      device_(std::make_unique<openrgb::LightingSdkDevice>(
          dependencies_.road, englishNames_,
          openrgb::KeyboardIdentity{.name = "kbconfig keyboard", .location = Location(dependencies_.selector)})),
      server_(std::make_unique<outside::OpenRgbServer>(*device_, dependencies_.limits)) {}

OutsideControl::~OutsideControl() { server_->Stop(); }

outside::ListenResult OutsideControl::Enable(std::optional<std::uint16_t> port, std::string* error) {
  const std::uint16_t wanted = port.value_or(port_);
  const outside::ListenResult result = server_->Start(wanted, error);
  if (result == outside::ListenResult::kListening && wanted != 0) port_ = wanted;
  if (dependencies_.changed) dependencies_.changed();
  return result;
}

void OutsideControl::Disable() {
  server_->Stop();
  if (dependencies_.changed) dependencies_.changed();
}

bool OutsideControl::SwitchFromMenu(bool on) {
  if (!on) {
    Disable();
    return false;
  }
  std::uint16_t port = port_;
  for (;;) {
    std::string error;
    const outside::ListenResult result = Enable(port, &error);
    if (result == outside::ListenResult::kListening) return true;
    if (result == outside::ListenResult::kFailed) {
      if (dependencies_.tell) {
        dependencies_.tell(QStringLiteral("Lighting control from other programs could not start: %1")
                               .arg(QString::fromStdString(error)));
      }
      return false;
    }
    const std::optional<std::uint16_t> other =
        dependencies_.askPort
            ? dependencies_.askPort(nullptr,
                                    QStringLiteral("Port %1 is in use by another program. Choose another port for "
                                                   "the lighting control of other programs (OpenRGB-based hubs "
                                                   "commonly take 6743):"),
                                    port)
            : std::nullopt;
    if (!other) return false;
    port = *other;
  }
}

}  // namespace ui
