#include "ui/main_window/main_dlg.h"

#include <mutex>
#include <vector>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QHideEvent>
#include <QShowEvent>
#include <QWindowStateChangeEvent>
#include <QLabel>
#include <QMetaObject>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "support/logger.h"
#include "ui/main_window/device_match.h"
#include "ui/main_window/firmware_text.h"
#include "ui/main_window/input_path_text.h"
#include "ui/main_window/key_label.h"
#include "ui/toolkit/control_lookup.h"

namespace ui {

namespace {

constexpr int kVersionTextId = 65556;
constexpr int kKeyboardImageId = 65539;
constexpr int kMoreButtonId = 65537;

const std::vector<RequiredControl>& RequiredMainControls() {
  static const std::vector<RequiredControl> required = [] {
    std::vector<RequiredControl> list = {{"img_keyboard", "SOUI::CoordButtonImage"},
                                         {"cbx_in_lv", "QComboBox"},
                                         {"btn_profile_more", "QAbstractButton"},
                                         {"version", "QLabel"},
                                         {"btn_more", "QAbstractButton"}};
    const std::vector<RequiredControl>& lighting = RequiredLightingControls();
    list.insert(list.end(), lighting.begin(), lighting.end());
    return list;
  }();
  return required;
}

void UncheckRadio(QRadioButton* radio) {
  const bool exclusive = radio->autoExclusive();
  radio->setAutoExclusive(false);  // an exclusive radio cannot be unchecked directly
  radio->setChecked(false);
  radio->setAutoExclusive(exclusive);
}

}  // namespace

// Device notifications arrive on any thread. The relay forwards them to the window thread as long
// as the window lives; the destructor cuts it before the window goes.
struct CMainDlg::DeviceRelay {
  std::mutex mutex;
  CMainDlg* window = nullptr;

  void Forward(platform::DeviceChange change, const std::wstring& path) {
    std::scoped_lock lock(mutex);
    if (!window) return;
    CMainDlg* target = window;
    QMetaObject::invokeMethod(
        target, [target, change, path] { target->OnDeviceChange(change, path); }, Qt::QueuedConnection);
  }
};

CMainDlg::CMainDlg(MainDlgServices services, QWidget* parent)
    : QWidget(parent),
      services_(std::move(services)),
      hid_(services_.hid),
      commands_(hid_, services_.effects, services_.sides, services_.clock),
      keyFilter_(std::make_unique<HidUsbFilter::KeyFilterChannel>(services_.filters)),
      player_(std::make_unique<playback::MacroPlayer>(services_.records, services_.virtualDevice, services_.clock)),
      timerThread_(std::make_unique<threads::RunableThread<0>>(services_.clock)) {}

CMainDlg::~CMainDlg() {
  if (deviceRelay_) {
    std::scoped_lock lock(deviceRelay_->mutex);
    deviceRelay_->window = nullptr;
  }
  deviceWatch_.reset();
  switcher_.reset();
  profileBox_.reset();
  services_.profiles.RemoveListener(this);
  services_.profiles.AttachPlayer(nullptr);
  services_.virtualDevice.ReleaseAll();
  timerThread_.reset();
  // The player ends its playback before the channel that calls it goes.
  player_->Shutdown();
  keyFilter_.reset();
  player_.reset();
  tray_.reset();
}

bool CMainDlg::Create() {
  std::unique_ptr<QWidget> form = services_.loader.Load(kLayoutName);
  if (!form) return false;
  const std::vector<std::string> missing = MissingControls(form.get(), RequiredMainControls());
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    support::LogFailure("CMainDlg::Create", std::string(kLayoutName) + " lacks " + names);
    return false;
  }
  setWindowTitle(form->windowTitle());
  setWindowIcon(services_.package.LoadIcon("ICON:ICON_LOGO"));
  const QSize size = form->size();
  root_ = form.release();
  root_->setParent(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(root_);
  setFixedSize(size);
  UseOwnTitleRow(*this, FindControl<QWidget>(root_, "title"));
  return BindControls();
}

bool CMainDlg::BindControls() {
  keyboardImage_ = FindControlById<SOUI::CoordButtonImage>(root_, kKeyboardImageId);
  lightingControls_ = BindLightingControls(root_);
  inLvCombo_ = FindControl<QComboBox>(root_, "cbx_in_lv");
  versionText_ = FindControlById<QLabel>(root_, kVersionTextId);
  firmwareText_ = versionText_->text();
  lighting_ = std::make_unique<LightingPanel>(lightingControls_, services_.effects, services_.sides, commands_);
  keyAssignment_ = std::make_unique<assign::KeyAssignment>(assign::KeyAssignment::Dependencies{
      .records = services_.records,
      .library = services_.macros,
      .config = services_.config,
      .channel = *keyFilter_,
      .image = *keyboardImage_,
      .player = *player_,
      .loader = services_.loader,
      .owner = this,
      .keyboardOpen = [this] { return hid_.IsPresent(); },
      .tellUser = [this](const QString& text) { ShowMessage(this, "Warning", text, MessageButtons::kOk); },
      .hideProgram = [this] { HideProgram(); }});

  moreMenu_ = CommandMenu::Load(services_.package, "SMENUEX:menu_more", this);
  trayMenu_ = CommandMenu::Load(services_.package, "SMENU:menu_tray");
  tray_ = std::make_unique<TrayIcon>(this, services_.package.LoadIcon("ICON:ICON_LOGO"), trayMenu_.get(),
                                     services_.trayAvailable);
  for (CommandMenu* menu : {moreMenu_.get(), trayMenu_.get()}) {
    if (menu) connect(menu, &CommandMenu::CommandTriggered, this, &CMainDlg::OnMenuCommand);
  }

  // Profiles. Foreground changes come from any thread; the switcher hands them over here.
  switcher_ = std::make_unique<profiles::ForegroundSwitcher>(
      services_.profiles, services_.settings, services_.foreground, [this](std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
      });
  profileBox_ = std::make_unique<ProfileBox>(ProfileBox::Dependencies{
      .service = services_.profiles,
      .settings = services_.settings,
      .switcher = *switcher_,
      .loader = services_.loader,
      .package = services_.package,
      .combo = inLvCombo_,
      .menuButton = FindControl<QAbstractButton>(root_, "btn_profile_more"),
      .trayMenu = trayMenu_.get(),
      .owner = this,
      .tell = [this](const QString& text, MessageButtons buttons) { return ShowMessage(this, "Warning", text, buttons); },
      .prompts = services_.profilePrompts,
      .pretendForeground = services_.pretendForeground});
  lightingTimer_ = new QTimer(this);
  lightingTimer_->setSingleShot(true);
  connect(lightingTimer_, &QTimer::timeout, this, &CMainDlg::SendDueLightingReport);
  return true;
}

void CMainDlg::ConnectControls() {
  for (QAbstractButton* button : root_->findChildren<QAbstractButton*>()) {
    connect(button, &QAbstractButton::clicked, this, [this, button] { OnButtonClicked(button); });
  }
  for (QSlider* slider : root_->findChildren<QSlider*>()) {
    connect(slider, &QSlider::valueChanged, this, [this, slider] { OnSliderMoved(slider); });
  }
  connect(lightingControls_.effectCombo, &QComboBox::currentIndexChanged, this,
          [this] { lighting_->OnEffectComboChanged(); });
  connect(lightingControls_.sideEffectCombo, &QComboBox::currentIndexChanged, this,
          [this] { lighting_->OnSideComboChanged(); });
}

bool CMainDlg::Initialise() {
  if (!root_) return false;
  // 1. Mark the window as the running instance's.
  if (!services_.instanceName.isEmpty()) setProperty(services_.instanceName.toUtf8().constData(), 1);
  // 2. Hear about HID interfaces coming and going.
  WatchDevices();
  // 3. Controls: the picture reports clicks here; the radios start unchecked.
  keyboardImage_->SetListener(this);
  for (QRadioButton* radio : lightingControls_.directionRadios) UncheckRadio(radio);
  for (QRadioButton* radio : lightingControls_.loaderRadios) UncheckRadio(radio);
  ConnectControls();
  // 4. Pacing counts from now.
  commands_.RestartPacing();
  // 5. Open the configured keyboard.
  if (!hid_.OpenBySelector(services_.config.selector, nullptr, device::kReadWriteShared)) {
    // 6. No keyboard: tell the user and end.
    firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
    RefreshVersionText();
    ShowMessage(nullptr, "Warning", "Please insert USB device!", MessageButtons::kOk);
    DestroyWindow();
    return false;
  }
  // 7. Firmware version.
  ReadFirmwareVersion();
  // 8. Marks and labels of the assigned keys.
  ApplyRecordsToKeyboardImage();
  // 9. Stored lighting (selecting the combo boxes also saves and sends it).
  lighting_->ShowEffect(true);
  lighting_->ShowSideLight(true);
  // 10. The start-up effect report, once, 2000 ms from now.
  auto job = std::make_unique<threads::ThreadRunable<CMainDlg>>(this, &CMainDlg::SendStartupEffectJob);
  job->SetInterval(kStartupEffectDelayMs);
  job->SetRepeat(1);
  job->SetValues(0, services_.effects.Selected());
  timerThread_->Post(std::move(job), false);
  timerThread_->Start(this);
  // 11. The macro player was given its playback thread and record when it was built.
  // 12. Key filter: listen, open, monitor, capture the assigned keys.
  StartKeyFilter();
  // Profile switches reach the player, this window, and (when on) come with the program in front.
  services_.profiles.AttachPlayer(player_.get());
  services_.profiles.AddListener(this);
  switcher_->Refresh();
  return true;
}

void CMainDlg::WatchDevices() {
  deviceRelay_ = std::make_shared<DeviceRelay>();
  deviceRelay_->window = this;
  std::weak_ptr<DeviceRelay> relay = deviceRelay_;
  deviceWatch_ = services_.hid.WatchInterfaces([relay](platform::DeviceChange change, const std::wstring& path) {
    if (std::shared_ptr<DeviceRelay> target = relay.lock()) target->Forward(change, path);
  });
}

void CMainDlg::StartKeyFilter() {
  keyFilter_->AddListener(player_.get(), &playback::MacroPlayer::OnKeyEvent);
  keyFilter_->Open();
  keyFilter_->StartMonitoring();
  SendCaptureTable();
}

void CMainDlg::SendCaptureTable() {
  std::vector<model::KeyCode> codes;
  for (const model::KeyRecord& record : *services_.records.Snapshot()) codes.push_back(record.code);
  keyFilter_->SetCaptureTable(codes);
}

void CMainDlg::OnProfileSwitched(const std::wstring&) {
  SendCaptureTable();
  for (const model::KeySpot& key : std::vector<model::KeySpot>(keyboardImage_->Keys())) {
    keyboardImage_->SetKeyLabel(std::wstring(), key.id);
  }
  keyboardImage_->ClearAllChecked();
  ApplyRecordsToKeyboardImage();
  lighting_->ShowStored();
  ScheduleLightingReports();
}

// The reports of a switch wait for their pacing on a timer, not asleep on this thread, and read the
// stores when they go: switches in a row send the last profile's lighting once.
void CMainDlg::ScheduleLightingReports() {
  effectDue_ = true;
  sideDue_ = true;
  if (!lightingTimer_->isActive()) lightingTimer_->start(commands_.TimeUntilPaced());
}

void CMainDlg::SendDueLightingReport() {
  if (effectDue_) {
    effectDue_ = false;
    commands_.SendEffect(-1);
  } else if (sideDue_) {
    sideDue_ = false;
    commands_.SendSideLight(-1);
  }
  if (effectDue_ || sideDue_) lightingTimer_->start(commands_.TimeUntilPaced());
}

void CMainDlg::ApplyRecordsToKeyboardImage() {
  if (!keyboardImage_) return;
  for (const model::KeyRecord& record : *services_.records.Snapshot()) {
    const std::int32_t id = static_cast<std::int32_t>(record.code & 0xFFFF);
    model::KeySpot spot;
    if (!keyboardImage_->FindKeySpot(id, spot)) continue;
    keyboardImage_->SetKeyChecked(id, 1);
    keyboardImage_->SetKeyLabel(KeyLabel(record.name.empty() ? spot.name : record.name, record.group), id);
  }
}

void CMainDlg::ReadFirmwareVersion() {
  commands_.QueryVersion();
  firmwareVersion_ = commands_.Version();
  RefreshVersionText();
}

void CMainDlg::RefreshVersionText() {
  if (!versionText_) return;
  if (const std::optional<QString> text = FirmwareVersionText(firmwareVersion_)) firmwareText_ = *text;
  // The firmware line also tells how remapped keys reach the system.
  const platform::InputPath path = services_.filters.Path();
  versionText_->setText(firmwareText_ + QStringLiteral("  \u00B7  ") + InputPathText(path));
  versionText_->setToolTip(InputPathToolTip(path));
}

std::int32_t CMainDlg::SendStartupEffectJob(std::int32_t, std::int32_t, std::span<const std::uint8_t>) {
  commands_.SendStartupEffect();
  return 0;
}

void CMainDlg::DestroyWindow() {
  if (destroyed_) return;
  destroyed_ = true;
  if (!services_.instanceName.isEmpty()) setProperty(services_.instanceName.toUtf8().constData(), QVariant());
  hide();
  emit WindowDestroyed();
}

void CMainDlg::closeEvent(QCloseEvent* event) {
  DestroyWindow();
  event->accept();
}

void CMainDlg::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<const QWindowStateChangeEvent*>(event);
    if (isMinimized()) {
      HideEditor();
    } else if (change->oldState().testFlag(Qt::WindowMinimized)) {
      BringEditorBackLater();
    }
  }
  // Texts set here in code follow the language; the layout's own texts retranslate themselves.
  if (event->type() == QEvent::LanguageChange) {
    RefreshVersionText();
    if (lighting_) lighting_->RetranslateSideLabel();
    if (profileBox_) profileBox_->Retranslate();
    // The form retranslates its own title after this window has seen the change.
    QMetaObject::invokeMethod(this, &CMainDlg::RetranslateTitle, Qt::QueuedConnection);
  }
  QWidget::changeEvent(event);
}

void CMainDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  BringEditorBackLater();
}

void CMainDlg::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  HideEditor();
}

void CMainDlg::HideEditor() {
  if (macro::MacroRecordDlg* editor = keyAssignment_ ? keyAssignment_->Editor() : nullptr) editor->HideWindow();
}

void CMainDlg::BringEditorBackLater() {
  // Once this window is up, so the editor comes in front of it.
  QMetaObject::invokeMethod(
      this,
      [this] {
        macro::MacroRecordDlg* editor = keyAssignment_ ? keyAssignment_->Editor() : nullptr;
        if (editor && isVisible() && !isMinimized() && !destroyed_) editor->ShowInFront();
      },
      Qt::QueuedConnection);
}

void CMainDlg::RetranslateTitle() {
  if (!root_) return;
  setWindowTitle(root_->windowTitle());
  if (tray_) tray_->SetToolTip(windowTitle());
}

void CMainDlg::OnButtonClicked(QAbstractButton* sender) {
  const QString name = sender->objectName();
  if (name == "btn_more") {
    OpenMoreMenu();
  } else if (name == "btn_close") {
    DestroyWindow();
  } else if (name == "btn_min") {
    if (tray_) tray_->HideWindow();
  } else if (name == "btn_max") {
    showMaximized();
  } else if (name == "btn_restore") {
    showNormal();
  } else if (name == "zh_cn") {
    SwitchLanguage(true);
  } else if (name == "btn_restore_factory") {
    FactoryRestore();
  } else if (name == "jp") {
    SwitchLanguage(false);
  } else if (IsEffectRadioId(ControlId(sender))) {
    lighting_->OnEffectControlChanged();
  }
}

void CMainDlg::OnSliderMoved(QSlider* sender) {
  const QString name = sender->objectName();
  if (IsEffectSliderName(name)) {
    lighting_->OnEffectControlChanged();
  } else if (name == kSideSliderName) {
    lighting_->OnSideSliderMoved();
  }
}

void CMainDlg::OnMenuCommand(int commandId) {
  if (commandId == kCommandFirmwareCheck) {
    CheckFirmware();
  } else if (commandId == kCommandStopAllMacros) {
    StopAllMacros();
  } else if (commandId == kCommandExit) {
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void CMainDlg::OpenMoreMenu() {
  QWidget* button = FindControlById<QAbstractButton>(root_, kMoreButtonId);
  if (!moreMenu_ || !button) return;
  moreMenu_->popup(button->mapToGlobal(button->rect().bottomLeft()));
}

void CMainDlg::CheckFirmware() {
  if (!hid_.IsPresent()) {
    ShowMessage(nullptr, "Warning", "Please insert USB device", MessageButtons::kOk);
    return;
  }
  if (firmwareVersion_ == kLatestFirmware) {
    // Good news: the information icon, under the usual caption.
    ShowMessage(nullptr, "Warning", "The firmware is already the latest version and no upgrade is required.",
                MessageButtons::kOk, MessageIcon::kInformation);
    return;
  }
  hid_.Close();
  if (hid_.OpenBySelector(services_.config.selector, nullptr, device::kReadWriteShared)) {
    commands_.QueryVersion();
    firmwareVersion_ = commands_.Version();
  } else {
    firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
  }
  RefreshVersionText();
}

void CMainDlg::SwitchLanguage(bool chinese) {
  const char* table = chinese ? "lang_cn" : "lang_en";
  // Remembered for the next start (config.xml stays as it is).
  if (services_.language.Switch(table)) services_.settings.SetLanguage(table);
}

void CMainDlg::FactoryRestore() {
  if (ShowMessage(this, "Warning",
                  "All settings will be restored: every key assignment and every macro group is removed. "
                  "Are you sure you want to continue?",
                  MessageButtons::kOkCancel) != kMessageOk) {
    return;
  }
  restoring_ = true;
  services_.macros.Reset();
  services_.macros.Save();  // macro.xml says the same as memory, now and after a restart
  services_.records.ClearRecords();
  services_.effects.Reset();
  services_.sides.Reset();
  SendCaptureTable();
  // Last: a key event handled meanwhile found its record still there, and what it pressed goes
  // up here; from now on no key has a record to play.
  player_->StopAll();
  services_.clock.SleepFor(std::chrono::milliseconds(100));
  lighting_->ShowSideLight(true);
  lighting_->ShowEffect(true);
  // No key has an assignment any more: no mark, and no label that would still name one.
  for (const model::KeySpot& key : std::vector<model::KeySpot>(keyboardImage_->Keys())) {
    keyboardImage_->SetKeyLabel(std::wstring(), key.id);
  }
  keyboardImage_->ClearAllChecked();
  commands_.SendFactoryRestore();
}

void CMainDlg::StopAllMacros() { player_->StopAll(); }

void CMainDlg::OnDeviceChange(platform::DeviceChange change, const std::wstring& path) {
  if (destroyed_) return;
  const DeviceMatch match = MatchDevicePath(path, services_.config.selector);
  if (match == DeviceMatch::kNotHid) return;
  if (change == platform::DeviceChange::kArrival) {
    if (match == DeviceMatch::kKeyboard) {
      if (hid_.Open(path, device::kReadWriteShared)) {
        ReadFirmwareVersion();
        commands_.RestartPacing();
        lighting_->ShowEffect(true);
        lighting_->ShowSideLight(true);
        ApplyRecordsToKeyboardImage();
        restoring_ = false;
      } else {
        firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
        RefreshVersionText();
      }
    }
    keyFilter_->Open();
    return;
  }
  if (match != DeviceMatch::kKeyboard) return;
  hid_.Close();
  firmwareVersion_ = device::KeyboardCommands::kUnknownVersion;
  RefreshVersionText();
  if (!restoring_) DestroyWindow();
}

void CMainDlg::BringToFront() {
  if (tray_) {
    tray_->ShowWindow();
  } else {
    showNormal();
    raise();
    activateWindow();
  }
  if (macro::MacroRecordDlg* editor = keyAssignment_ ? keyAssignment_->Editor() : nullptr) editor->ShowInFront();
}

void CMainDlg::HideProgram() {
  if (tray_) tray_->HideWindow();
}

QWidget* CMainDlg::FrontWindow() {
  macro::MacroRecordDlg* editor = keyAssignment_ ? keyAssignment_->Editor() : nullptr;
  return editor ? static_cast<QWidget*>(editor->Dialog()) : this;
}

void CMainDlg::ShowAtStart(bool startHidden) {
  if (tray_) tray_->ShowAtStart(startHidden);
}

bool CMainDlg::OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t keyFlags,
                                  std::int32_t x, std::int32_t y) {
  if (!keyAssignment_) return false;
  // The editor edits the active profile: switches wait until it has closed.
  const std::unique_ptr<profiles::ProfileService::Hold> hold = services_.profiles.HoldSwitches();
  return keyAssignment_->OnCoordButtonClick(id, std::move(name), up, keyFlags, x, y);
}

int CMainDlg::ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                          MessageIcon icon) {
  if (services_.showMessage) return services_.showMessage(parent, caption, text, buttons, icon);
  return ShowMessageBox(services_.loader, parent, caption, text, buttons, icon);
}

}  // namespace ui
