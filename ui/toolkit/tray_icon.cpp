#include "ui/toolkit/tray_icon.h"

#include "ui/toolkit/command_menu.h"

namespace ui {

TrayIcon::TrayIcon(QWidget* window, const QIcon& icon, CommandMenu* menu, bool trayAvailable)
    : window_(window), available_(trayAvailable) {
  if (!available_) return;
  icon_ = std::make_unique<QSystemTrayIcon>(icon);
  if (menu) icon_->setContextMenu(menu);
  if (window) icon_->setToolTip(window->windowTitle());
  connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) ToggleWindow();
  });
  icon_->show();
}

TrayIcon::~TrayIcon() {
  if (icon_) icon_->hide();
}

void TrayIcon::SetToolTip(const QString& text) {
  if (icon_) icon_->setToolTip(text);
}

QString TrayIcon::ToolTip() const { return icon_ ? icon_->toolTip() : QString(); }

void TrayIcon::ShowNotice(const QString& title, const QString& text) {
  if (!icon_) return;
  icon_->showMessage(title, text, icon_->icon());
  emit NoticeShown(title, text);
}

void TrayIcon::HideWindow() {
  if (!window_) return;
  if (available_) {
    window_->hide();
    emit HiddenBehindIcon();
  } else {
    window_->showMinimized();
  }
}

void TrayIcon::ShowWindow() {
  if (!window_) return;
  if (window_->isMinimized()) {
    window_->showNormal();
  } else {
    window_->show();
  }
  window_->raise();
  window_->activateWindow();
}

void TrayIcon::ToggleWindow() {
  if (!window_) return;
  if (window_->isVisible() && !window_->isMinimized()) {
    HideWindow();
  } else {
    ShowWindow();
  }
}

void TrayIcon::ShowAtStart(bool startHidden) {
  if (!window_) return;
  if (!startHidden) {
    window_->show();
  } else if (!available_) {
    window_->showMinimized();
  }
}

}  // namespace ui
