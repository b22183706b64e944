#include "ui/toolkit/tray_icon.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "qt_test_app.h"

namespace ui {
namespace {

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::EnsureApplication(); }
};

TEST_F(TrayIconTest, WithoutANotificationAreaTheWindowIsNeverHidden) {
  QWidget window;
  TrayIcon tray(&window, QIcon(), nullptr, false);
  EXPECT_FALSE(tray.Available());
  tray.ShowAtStart(true);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  tray.ShowWindow();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  tray.HideWindow();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  tray.ToggleWindow();
  EXPECT_FALSE(window.isMinimized());
}

TEST_F(TrayIconTest, WithANotificationAreaTheWindowHidesBehindTheIconAndComesBack) {
  QWidget window;
  TrayIcon tray(&window, QIcon(), nullptr, true);
  tray.ShowAtStart(true);
  EXPECT_FALSE(window.isVisible());
  tray.ToggleWindow();
  EXPECT_TRUE(window.isVisible());
  tray.ToggleWindow();
  EXPECT_FALSE(window.isVisible());
  tray.ShowAtStart(false);
  EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace ui
