#pragma once
// The program from start to end, once the Qt application object exists: virtual device check,
// working folder, resources, configuration and language, data files, single instance, the main
// window and the message loop. main() of both executables builds a ProgramEnvironment from the
// linked backend and the process-wide models; tests build one from emulated devices.
#include <filesystem>
#include <functional>

#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "platform/filter_device.h"
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
  support::Clock& clock;
  std::filesystem::path programFolder;   // config.xml, the data files and uires/ live here
  std::filesystem::path lockFolder;      // where the single-instance lock file goes
  bool changeWorkingFolder = true;       // make programFolder the current folder
  bool trayAvailable = false;
  // Looks for the virtual HID device and installs the drivers when it is missing.
  std::function<void()> ensureVirtualDevice;
  ui::MessageFunction showMessage;       // empty: the program's message box
  // Called with the main window once it is shown (tests use it to act inside the loop).
  std::function<void(ui::CMainDlg&)> onWindowShown;
};

// Runs the program; the process's exit code: 0 when another instance runs, when the keyboard is
// absent, or when the window was closed; 1 when the resources or the main window's layout are
// unusable.
int RunProgram(ProgramEnvironment& environment, bool startHidden);

}  // namespace app
