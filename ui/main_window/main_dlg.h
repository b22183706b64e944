#pragma once
// The program's main window: owns the keyboard connection, the key filter channel, the macro
// player and the timer thread; shows the keyboard picture and the lighting panel; reacts to the
// keyboard coming and going; runs the "more" and tray menu commands, the language switch and the
// factory restore; follows the active profile (picture, panel, capture table, lighting reports). Every handler runs on the window thread; device notifications and the timer
// job come from other threads (the former are queued onto the window thread).
//
// From construction to destruction every save of the four stores is reported to SaveNotice(),
// which tells the user of a failed one.
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
#include "lighting/lighting_control.h"
#include "lighting/report_pacer.h"
#include "playback/macro_player.h"
#include "profiles/foreground_switcher.h"
#include "profiles/profile_service.h"
#include "threads/runable_thread.h"
#include "ui/key_assignment/key_assignment.h"
#include "ui/keyboard_image/coord_button_click_listener.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/lighting_panel/lighting_panel.h"
#include "ui/main_window/about_box.h"
#include "ui/main_window/main_dlg_services.h"
#include "ui/save_notice/save_failure_notice.h"
#include "ui/outside_control/outside_control.h"
#include "ui/profiles/profile_box.h"
#include "ui/toolkit/command_menu.h"
#include "ui/toolkit/form_scale.h"
#include "ui/toolkit/tray_icon.h"

class QAbstractButton;
class QComboBox;
class QDialog;
class QLabel;
class QSlider;

namespace ui {

class CMainDlg : public QWidget, public SOUI::ICoordButtonClickListener, public profiles::ProfileListener {
  Q_OBJECT

 public:
  static constexpr const char* kLayoutName = "LAYOUT:XML_MAINWND";
  static constexpr std::int32_t kLatestFirmware = 0x0100;
  static constexpr int kStartupEffectDelayMs = 2000;
  static constexpr int kCommandFirmwareCheck = 1;
  static constexpr int kCommandShow = 2;
  static constexpr int kCommandAbout = 3;
  static constexpr int kCommandExit = 6;
  static constexpr int kCommandStopAllMacros = 7;
  static constexpr int kCommandOutsideControl = 8;  // "Allow lighting control from other programs"
  // In the data folder: the user has been told once that the window hides to the tray.
  static constexpr const char* kTrayNoticeMarker = "tray-notice-told";

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

  // Menu commands of the "more" and the tray menu: 1 firmware check, 2 show the window, 3 the
  // About box, 6 close, 7 stop all macros, 8 switch lighting control from other programs on or
  // off; others nothing.
  void OnMenuCommand(int commandId);
  void OpenMoreMenu();
  void CheckFirmware();
  void SwitchLanguage(bool chinese);
  // Asks first; then ends every playback, removes every key assignment and macro group (memory
  // and files alike), restores the lighting defaults and sends the keyboard's restore request.
  void FactoryRestore();
  // Ends every running macro at once and releases the keys it and forwarding hold down.
  void StopAllMacros();
  // Opens the About box (window-modal; the call returns at once).
  void ShowAbout();
  QDialog* About() const;
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
  // Fits the window into `workArea` (the screen without its taskbar, in Qt's pixels): shrunk as a
  // whole where the layout is larger (a 1366x768 screen at 125 %), at the layout's size where
  // it fits; then centred there.
  void FitInto(const QRect& workArea);
  // The factor the window is shown at (1: the layout's size).
  double Scale() const;

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

  std::int32_t FirmwareVersion() const { return firmwareVersion_; }
  bool IsRestoring() const { return restoring_; }
  LightingPanel& Lighting() { return *lighting_; }
  // The road every lighting change takes; changes made on it from elsewhere show in the panel.
  lighting::LightingControl& LightingRoad() { return *lightingRoad_; }
  // Returns once every lighting report asked for so far has gone to the keyboard.
  void WaitForLightingReports() { reportPacer_->WaitUntilIdle(); }
  // Returns once the lighting files hold every change made so far.
  void WaitForLightingSaves() { lightingRoad_->WaitForSaves(); }
  // Lighting control from other programs (the OpenRGB server).
  OutsideControl& Outside() { return *outside_; }
  // The effects' names as the panel shows them now (in the current language).
  model::EffectNames ShownEffectNames() const;
  // The active profile's name, as the profile box shows it.
  QString ProfileName() const;
  CommandMenu* MoreMenu() const { return moreMenu_.get(); }
  CommandMenu* TrayMenu() const { return trayMenu_.get(); }
  TrayIcon* Tray() const { return tray_.get(); }
  threads::RunableThread<0>& TimerThread() { return *timerThread_; }
  QWidget* Root() const { return root_; }
  SaveFailureNotice& SaveNotice() { return *saveNotice_; }

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
  struct LightingRelay;

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
  void ReportStoreSavesTo(support::SaveReporter* reporter);
  void ShowOutsideLightingChange();
  void ShowOutsideControlState();
  // The first time ever the window hides behind the tray icon, the icon says where it went.
  void OnHiddenBehindIcon();

  MainDlgServices services_;
  std::unique_ptr<SaveFailureNotice> saveNotice_;
  device::HidDevice hid_;
  device::KeyboardCommands commands_;
  std::unique_ptr<lighting::ReportPacer> reportPacer_;
  std::unique_ptr<lighting::LightingControl> lightingRoad_;
  std::shared_ptr<LightingRelay> lightingRelay_;
  std::unique_ptr<HidUsbFilter::KeyFilterChannel> keyFilter_;
  std::unique_ptr<playback::MacroPlayer> player_;
  std::unique_ptr<threads::RunableThread<0>> timerThread_;

  QWidget* root_ = nullptr;  // the form built from the layout, a child of this window
  std::unique_ptr<FormScale> formScale_;
  SOUI::CoordButtonImage* keyboardImage_ = nullptr;
  QComboBox* inLvCombo_ = nullptr;
  QLabel* versionText_ = nullptr;
  QString firmwareText_;  // the firmware part of the version line, as last known
  LightingControls lightingControls_;
  std::unique_ptr<LightingPanel> lighting_;
  std::unique_ptr<OutsideControl> outside_;
  std::unique_ptr<CommandMenu> moreMenu_;
  std::unique_ptr<CommandMenu> trayMenu_;
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<AboutBox> about_;

  std::shared_ptr<DeviceRelay> deviceRelay_;
  std::unique_ptr<platform::Subscription> deviceWatch_;

  bool restoring_ = false;
  bool destroyed_ = false;
  std::int32_t firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
  std::unique_ptr<assign::KeyAssignment> keyAssignment_;

  std::unique_ptr<profiles::ForegroundSwitcher> switcher_;
  std::unique_ptr<ProfileBox> profileBox_;
};

}  // namespace ui
