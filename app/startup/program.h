#pragma once
// The program from start to end, once the Qt application object exists: virtual device check,
// working folder, resources, configuration and language, data files, single instance, what the
// user must know before the main window (data files kept aside, access to the virtual device),
// the main window and the message loop. main() of both executables builds a ProgramEnvironment from the
// linked backend and the process-wide models; tests build one from emulated devices.
#include <filesystem>
#include <functional>

#include "app/startup/program_folders.h"
#include "app/startup/virtual_device_setup.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "platform/filter_device.h"
#include "platform/foreground.h"
#include "platform/hid.h"
#include "support/clock.h"
#include "ui/main_window/main_dlg_services.h"

namespace ui {
class CMainDlg;
}

namespace app {

struct ProgramEnvironment {
  platform::HidSystem& hid;
  platform::FilterDeviceSystem& filters;
  hostdrv::VHidev& virtualDevice;
  model::AppConfig& config;
  model::MacroLibrary& macros;
  model::RecordStore& records;
  model::SideModelStore& sides;
  model::LedEffectStore& effects;
  model::SettingsStore& settings;
  platform::ForegroundWatcher& foreground;  // the program in front
  support::Clock& clock;
  ProgramFolders folders;                // uires/, config.xml and the data files (see ChooseProgramFolders)
  std::filesystem::path lockFolder;      // where the single-instance lock file goes
  bool changeWorkingFolder = true;       // make the resource folder the current folder
  bool trayAvailable = false;
  // Looks for the virtual HID device (on Windows installing the drivers when it is missing).
  // Empty: taken as open.
  std::function<VirtualDeviceStatus()> ensureVirtualDevice;
  ui::MessageFunction showMessage;       // empty: the program's message box
  // Called with the main window once it is shown (tests use it to act inside the loop).
  std::function<void(ui::CMainDlg&)> onWindowShown;
  // Brings an emulated program to the front (the demo, to try the rules without the keyboard).
  std::function<void(const platform::ForegroundProgram&)> pretendForeground;
};

// Runs the program; the process's exit code: 0 when another instance runs, when the keyboard is
// absent, or when the window was closed; 1 when the resources or the main window's layout are
// unusable.
int RunProgram(ProgramEnvironment& environment, bool startHidden);

}  // namespace app
