#pragma once
// A main window on emulated devices: the standard keyboard (on a manual clock), the key filter
// driver, the virtual HID device, stores backed by files in a fresh folder, and a message box
// that records what it was asked to show and answers as told.
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "../common/temp_folder.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "profiles/profile_service.h"
#include "platform/sim/sim_foreground_watcher.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/clock.h"
#include "ui/main_window/main_dlg.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace uitest {

struct ShownMessage {
  QString caption;
  QString text;
  bool hasParent = false;
  ui::MessageButtons buttons = ui::MessageButtons::kOk;
  ui::MessageIcon icon = ui::MessageIcon::kWarning;
};

// The 8 bytes of a report as "07 ff ff ..." for readable comparisons.
std::string Hex(const std::vector<std::uint8_t>& bytes);
// An ledeffect.xml whose 20 effects are alike, with effect `selected` chosen.
std::string UniformEffectFile(int selected);
// A record.xml of one key `code` (a usage in hex, "70004") named `name` in `group`, which types
// the key `typed`.
std::string OneKeyRecordFile(const std::string& code, const std::string& name, const std::string& group,
                             const std::string& typed);
// The capture table's entries in use, each as "usage low, usage high, page, flags".
std::vector<std::string> CaptureEntries(const std::vector<std::uint8_t>& table);

class MainWindowRig {
 public:
  explicit MainWindowRig(sim::KeyboardSpec keyboard = sim::StandardKeyboard());
  ~MainWindowRig();

  // Writes a data file into the folder (its folders made as needed) before the stores load it.
  void WriteFile(const std::string& name, const std::string& text) const;
  std::string ReadFile(const std::string& name) const;
  // Loads settings.xml and the four data files from the folder (those of the active profile), as
  // start-up does, and makes the profile service.
  void LoadDataFiles();
  // Builds and initialises the window; Initialise's result. Returns once the start's lighting
  // reports have gone out.
  bool Start();
  // LoadDataFiles(), then Start(): a start of the program on the folder's files.
  bool LoadAndStart();
  // Runs the queued work of the window thread (device notifications, language changes).
  static void ProcessEvents();

  // Reports the keyboard received, without the version answer reads, once every report asked
  // for so far has gone out.
  std::vector<sim::ReceivedReport> SentReports() const;
  // Forgets the reports received so far, once every report asked for has gone out.
  void ClearReports();
  std::vector<std::string> SentReportTexts() const;
  // Feature reports that carry an effect (byte 3 not 0x20, not the version query).
  std::vector<std::string> EffectReportTexts() const;
  std::vector<std::string> SideReportTexts() const;

  template <class T>
  T* Control(const char* name) const;

  support::ManualClock clock;
  sim::SimHidSystem keyboard;
  sim::SimKeyFilterDriver filter;
  sim::SimVirtualHid virtualHid;
  hostdrv::VHidev virtualDevice{virtualHid};
  model::AppConfig config;
  model::MacroLibrary macros;
  model::RecordStore records;
  model::SideModelStore sides;
  model::LedEffectStore effects;
  model::SettingsStore settings;
  sim::SimForegroundWatcher foreground;
  // The watcher the window is given; null: `foreground`.
  platform::ForegroundWatcher* foregroundInUse = nullptr;
  std::unique_ptr<profiles::ProfileService> profiles;  // made by LoadDataFiles (or Start)
  ui::ProfilePrompts prompts;  // empty members: the program's dialogs
  testsupport::TempFolder folder{"kb_mainwnd"};
  ui::LayoutLoader loader;
  ui::LanguageSwitcher language;
  std::vector<ShownMessage> messages;
  int messageAnswer = ui::kMessageOk;
  bool trayAvailable = false;  // whether the window is told that a notification area exists
  std::uint16_t outsidePort = 0;  // lighting control from other programs: any free port
  ui::PortQuestion askPort;       // empty: no other port is chosen
  bool realMessageBoxes = false;  // the program's own boxes instead of the recording stand-in
  std::unique_ptr<ui::CMainDlg> window;
};

template <class T>
T* MainWindowRig::Control(const char* name) const {
  return window ? window->findChild<T*>(name) : nullptr;
}

}  // namespace uitest
