#pragma once
// The notification-area icon of the main window. Where the desktop has no notification area, the
// window is never hidden: hiding minimises it instead, so it always stays reachable.
#include <memory>

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

namespace ui {

class CommandMenu;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  // menu: shown on a right click (not owned, may be null). trayAvailable: whether the desktop has
  // a notification area (QSystemTrayIcon::isSystemTrayAvailable(); injectable for tests).
  TrayIcon(QWidget* window, const QIcon& icon, CommandMenu* menu, bool trayAvailable);
  ~TrayIcon() override;

  bool Available() const { return available_; }
  // Puts the window away: hidden behind the icon (HiddenBehindIcon() follows), or minimised when
  // there is no notification area.
  void HideWindow();
  // Shows the window, restoring it when minimised, and brings it to the front.
  void ShowWindow();
  // Left click on the icon: hide a visible window, otherwise show it.
  void ToggleWindow();
  // The window's first showing: hidden behind the icon only when asked and an icon exists.
  void ShowAtStart(bool startHidden);
  // The icon's tooltip (the window's title; it follows a language switch). Empty without an icon.
  void SetToolTip(const QString& text);
  QString ToolTip() const;
  // A balloon message at the icon (nothing without an icon); NoticeShown() tells it was given.
  void ShowNotice(const QString& title, const QString& text);

 signals:
  void HiddenBehindIcon();
  void NoticeShown(const QString& title, const QString& text);

 private:
  QPointer<QWidget> window_;
  bool available_;
  std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace ui
