#pragma once
// The main window's "Profile" box and what hangs on it: the combo box "cbx_in_lv" lists the
// profiles and picks one; the button "btn_profile_more" opens the profile menu ("SMENUEX:
// menu_profile": new, copy, rename, delete, export, import, switch by program); the tray menu
// lists the profiles at its top with the active one checked. It follows every change of the
// profiles, whoever made it. Runs on the window thread.
#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

#include "profiles/foreground_switcher.h"
#include "profiles/profile_service.h"
#include "ui/profiles/profile_prompts.h"
#include "ui/toolkit/message_box.h"

class QAbstractButton;
class QAction;
class QComboBox;

namespace ui {

class CommandMenu;
class LayoutLoader;
class ResourcePackage;

class ProfileBox : public QObject, public profiles::ProfileListener {
  Q_OBJECT

 public:
  static constexpr int kCommandNew = 101;
  static constexpr int kCommandCopy = 102;
  static constexpr int kCommandRename = 103;
  static constexpr int kCommandDelete = 104;
  static constexpr int kCommandExport = 105;
  static constexpr int kCommandImport = 106;
  static constexpr int kCommandRules = 107;

  struct Dependencies {
    profiles::ProfileService& service;
    model::SettingsStore& settings;
    profiles::ForegroundSwitcher& switcher;
    LayoutLoader& loader;
    const ResourcePackage& package;
    QComboBox* combo;
    QAbstractButton* menuButton;
    CommandMenu* trayMenu;  // may be null
    QWidget* owner;
    // Shows an English text (translated by the box) and returns kMessageOk or kMessageCancel.
    std::function<int(const QString& text, MessageButtons buttons)> tell;
    ProfilePrompts prompts;
    std::function<void(const platform::ForegroundProgram&)> pretendForeground;
  };

  explicit ProfileBox(Dependencies dependencies);
  ~ProfileBox() override;

  void OnProfileSwitched(const std::wstring& id) override;
  void OnProfilesChanged() override;
  // Shows the names again in the current language (the first profile's default name).
  void Retranslate();

  // The profile menu's commands.
  void OnCommand(int commandId);
  void NewProfile(bool copyActive);
  void RenameActive();
  void DeleteActive();
  void ExportActive();
  void Import();
  void EditRules();

  CommandMenu* Menu() const { return menu_.get(); }
  // The tray menu's profile entries, in list order.
  const std::vector<QAction*>& TrayActions() const { return trayActions_; }

 private:
  void Refill();
  void OnComboChanged(int index);
  void SwitchTo(const std::wstring& id);
  void Tell(const QString& text);
  QString NameProblem(const QString& name, const std::optional<std::wstring>& id) const;
  QString FreeNewName() const;

  Dependencies dependencies_;
  std::unique_ptr<CommandMenu> menu_;
  std::vector<QAction*> trayActions_;  // owned by the tray menu
  QAction* traySeparator_ = nullptr;
};

}  // namespace ui
