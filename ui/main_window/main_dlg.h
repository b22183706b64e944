#pragma once
// The program's main window: owns the keyboard connection, the key filter channel, the macro
// player and the timer thread; shows the keyboard picture and the lighting panel; reacts to the
// keyboard coming and going; runs the "more" and tray menu commands, the language switch and the
// factory restore; follows the active profile (picture, panel, capture table, lighting reports). Every handler runs on the window thread; device notifications and the timer
// job come from other threads (the former are queued onto the window thread).
//
// Life: construct, Create() (builds the layout), Initialise() (opens the keyboard; false and the
// window destroyed when there is none), show. DestroyWindow() (close button, close command,
// keyboard removal) hides the window for good and emits WindowDestroyed(); the owner then ends
// the message loop and deletes the object, whose destructor releases the virtual device's keys
// and stops the threads and the channel.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include <QPointer>
#include <QWidget>

#include "device/commands/keyboard_commands.h"
#include "device/io/hid_device.h"
#include "hostdrv/key_filter_channel.h"
#include "playback/macro_player.h"
#include "profiles/foreground_switcher.h"
#include "profiles/profile_service.h"
#include "threads/runable_thread.h"
#include "ui/key_assignment/key_assignment.h"
#include "ui/keyboard_image/coord_button_click_listener.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/lighting_panel/lighting_panel.h"
#include "ui/main_window/main_dlg_services.h"
#include "ui/profiles/profile_box.h"
#include "ui/toolkit/command_menu.h"
#include "ui/toolkit/tray_icon.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QSlider;
class QTimer;

namespace ui {

class CMainDlg : public QWidget, public SOUI::ICoordButtonClickListener, public profiles::ProfileListener {
  Q_OBJECT

 public:
  static constexpr const char* kLayoutName = "LAYOUT:XML_MAINWND";
  static constexpr std::int32_t kLatestFirmware = 0x0100;
  static constexpr int kStartupEffectDelayMs = 2000;
  static constexpr int kCommandFirmwareCheck = 1;
  static constexpr int kCommandExit = 6;
  static constexpr int kCommandStopAllMacros = 7;

  explicit CMainDlg(MainDlgServices services, QWidget* parent = nullptr);
  ~CMainDlg() override;
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Builds the window from its layout and binds its controls. False (logged) when the layout
  // cannot be built or lacks a control the window needs.
  bool Create();
  // Opens the keyboard and shows what is stored. False when no keyboard was found: the user has
  // been told and the window is destroyed.
  bool Initialise();

  // The window is gone for good: hidden, unmarked, and WindowDestroyed() emitted (once).
  void DestroyWindow();
  bool IsDestroyed() const { return destroyed_; }

  // Menu commands of the "more" and the tray menu: 1 firmware check, 6 close, 7 stop all macros;
  // others nothing.
  void OnMenuCommand(int commandId);
  void OpenMoreMenu();
  void CheckFirmware();
  void SwitchLanguage(bool chinese);
  // Asks first; then ends every playback, removes every key assignment and macro group (memory
  // and files alike), restores the lighting defaults and sends the keyboard's restore request.
  void FactoryRestore();
  // Ends every running macro at once and releases the keys it and forwarding hold down.
  void StopAllMacros();
  // A HID interface arrived or went away (on the window thread).
  void OnDeviceChange(platform::DeviceChange change, const std::wstring& path);
  // Shows the window, restoring it when minimised or hidden, and brings it to the front, with the
  // open macro editor in front of it.
  void BringToFront();
  // Puts the program away: hidden behind the tray icon (minimised where there is none), the open
  // macro editor with it. Everything that shows the window again brings the editor back too.
  void HideProgram();
  // The window the user works in: the open macro editor, else this window.
  QWidget* FrontWindow();
  // Shows the window, or keeps it behind the tray icon when `startHidden` (minimised where the
  // desktop has no notification area).
  void ShowAtStart(bool startHidden);

  // Key assignment: a click on a key of the keyboard picture opens the macro editor for it.
  bool OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t keyFlags,
                          std::int32_t x, std::int32_t y) override;
  assign::KeyAssignment* KeyAssignment() const { return keyAssignment_.get(); }

  // For key assignment and tests.
  const MainDlgServices& Services() const { return services_; }
  SOUI::CoordButtonImage* KeyboardImage() const { return keyboardImage_; }
  bool IsKeyboardOpen() const { return hid_.IsPresent(); }
  HidUsbFilter::KeyFilterChannel& KeyFilter() { return *keyFilter_; }
  playback::MacroPlayer& Player() { return *player_; }
  // Marks and labels every key of the picture that has a record (matched on the usage id).
  void ApplyRecordsToKeyboardImage();
  // Sends the capture table of every recorded key to the key filter.
  void SendCaptureTable();

  // Another profile is active: the picture, the lighting panel and the capture table show it, and
  // its lighting goes to the keyboard (paced; a later switch before the reports go wins).
  void OnProfileSwitched(const std::wstring& id) override;
  void OnProfilesChanged() override {}
  ProfileBox* Profiles() const { return profileBox_.get(); }
  profiles::ForegroundSwitcher& Switcher() { return *switcher_; }
  // True while a switch's lighting reports wait for their pacing.
  bool LightingReportsDue() const { return effectDue_ || sideDue_; }

  std::int32_t FirmwareVersion() const { return firmwareVersion_; }
  bool IsRestoring() const { return restoring_; }
  LightingPanel& Lighting() { return *lighting_; }
  CommandMenu* MoreMenu() const { return moreMenu_.get(); }
  CommandMenu* TrayMenu() const { return trayMenu_.get(); }
  TrayIcon* Tray() const { return tray_.get(); }
  threads::RunableThread<0>& TimerThread() { return *timerThread_; }
  QWidget* Root() const { return root_; }

  // The timer job: the start-up effect report.
  std::int32_t SendStartupEffectJob(std::int32_t firstValue, std::int32_t secondValue,
                                    std::span<const std::uint8_t> buffer);

 signals:
  void WindowDestroyed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct DeviceRelay;

  bool BindControls();
  void ConnectControls();
  void WatchDevices();
  void StartKeyFilter();
  void RefreshVersionText();
  void ReadFirmwareVersion();
  int ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                  MessageIcon icon = MessageIcon::kWarning);
  void RetranslateTitle();
  // The open editor goes with this window: hidden while it is away, back in front once it shows.
  void HideEditor();
  void BringEditorBackLater();
  void OnButtonClicked(QAbstractButton* sender);
  void OnSliderMoved(QSlider* sender);
  void ScheduleLightingReports();
  void SendDueLightingReport();

  MainDlgServices services_;
  device::HidDevice hid_;
  device::KeyboardCommands commands_;
  std::unique_ptr<HidUsbFilter::KeyFilterChannel> keyFilter_;
  std::unique_ptr<playback::MacroPlayer> player_;
  std::unique_ptr<threads::RunableThread<0>> timerThread_;

  QWidget* root_ = nullptr;  // the form built from the layout, a child of this window
  SOUI::CoordButtonImage* keyboardImage_ = nullptr;
  QComboBox* inLvCombo_ = nullptr;
  QLabel* versionText_ = nullptr;
  QString firmwareText_;  // the firmware part of the version line, as last known
  LightingControls lightingControls_;
  std::unique_ptr<LightingPanel> lighting_;
  std::unique_ptr<CommandMenu> moreMenu_;
  std::unique_ptr<CommandMenu> trayMenu_;
  std::unique_ptr<TrayIcon> tray_;

  std::shared_ptr<DeviceRelay> deviceRelay_;
  std::unique_ptr<platform::Subscription> deviceWatch_;

  bool restoring_ = false;
  bool destroyed_ = false;
  std::int32_t firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
  std::unique_ptr<assign::KeyAssignment> keyAssignment_;

  std::unique_ptr<profiles::ForegroundSwitcher> switcher_;
  std::unique_ptr<ProfileBox> profileBox_;
  QTimer* lightingTimer_ = nullptr;  // child of this window
  bool effectDue_ = false;
  bool sideDue_ = false;
};

}  // namespace ui
