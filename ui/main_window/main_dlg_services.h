#pragma once
// Everything the main window works with, handed in by start-up (the process-wide objects and the
// linked backend) or by a test (emulated devices, a manual clock, a recording message box).
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>

#include <QString>
#include <QWidget>

#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "profiles/profile_service.h"
#include "platform/filter_device.h"
#include "platform/foreground.h"
#include "platform/hid.h"
#include "support/clock.h"
#include "ui/outside_control/port_question.h"
#include "ui/profiles/profile_prompts.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/resource_package.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {

// Shows a message box and returns kMessageOk or kMessageCancel. Caption and text are English.
using MessageFunction = std::function<int(QWidget* parent, const QString& caption, const QString& text,
                                          MessageButtons buttons, MessageIcon icon)>;

struct MainDlgServices {
  platform::HidSystem& hid;
  platform::FilterDeviceSystem& filters;
  hostdrv::VHidev& virtualDevice;
  model::AppConfig& config;
  model::LedEffectStore& effects;
  model::SideModelStore& sides;
  model::RecordStore& records;
  model::MacroLibrary& macros;
  model::SettingsStore& settings;
  profiles::ProfileService& profiles;
  platform::ForegroundWatcher& foreground;  // the program in front, for switching by program
  support::Clock& clock;
  const ResourcePackage& package;
  LayoutLoader& loader;
  LanguageSwitcher& language;
  QString instanceName;          // marks the main window (entry 0 of "values:string")
  std::filesystem::path dataFolder;  // where the data files are kept (shown in the About box)
  bool trayAvailable = false;    // whether the desktop has a notification area
  MessageFunction showMessage;   // empty: the program's message box
  PortQuestion askPort{};        // empty: the program's question for another port
  std::uint16_t outsidePort = 6742;  // where lighting control from other programs listens when switched on
  std::chrono::milliseconds outsideSilenceLimit{10000};  // OpenRGB clients that say nothing are closed after it
  ProfilePrompts profilePrompts; // empty members: the program's dialogs
  // Brings an emulated program to the front, for trying rules in the demo; empty elsewhere.
  std::function<void(const platform::ForegroundProgram&)> pretendForeground;
};

}  // namespace ui
