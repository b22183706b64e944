// The demo's key feeder: Qt key events become keyboard usages for the emulated key filter.
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/demo/demo_key_feeder.h"
#include "app/demo/qt_key_usage.h"
#include "qt_test_app.h"

namespace uitest {
namespace {

std::optional<std::uint16_t> Usage(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                                   std::uint32_t scanCode = 0) {
  return app::KeyboardUsageForQtKey(key, modifiers, scanCode);
}

TEST(QtKeyUsageTest, MapsKeysToKeyboardUsages) {
  EXPECT_EQ(Usage(Qt::Key_A), 0x04);
  EXPECT_EQ(Usage(Qt::Key_Z), 0x1D);
  EXPECT_EQ(Usage(Qt::Key_1), 0x1E);
  EXPECT_EQ(Usage(Qt::Key_0), 0x27);
  EXPECT_EQ(Usage(Qt::Key_Exclam), 0x1E);  // shifted 1
  EXPECT_EQ(Usage(Qt::Key_Return), 0x28);
  EXPECT_EQ(Usage(Qt::Key_CapsLock), 0x39);
  EXPECT_EQ(Usage(Qt::Key_F1), 0x3A);
  EXPECT_EQ(Usage(Qt::Key_F12), 0x45);
  EXPECT_EQ(Usage(Qt::Key_Up), 0x52);
  EXPECT_EQ(Usage(Qt::Key_Shift), 0xE1);
  EXPECT_EQ(Usage(Qt::Key_Shift, Qt::NoModifier, 62), 0xE5);  // right shift on X11
  EXPECT_EQ(Usage(Qt::Key_Control, Qt::NoModifier, 105), 0xE4);
  EXPECT_EQ(Usage(Qt::Key_1, Qt::KeypadModifier), 0x59);
  EXPECT_EQ(Usage(Qt::Key_Enter, Qt::KeypadModifier), 0x58);
  EXPECT_EQ(Usage(Qt::Key_Enter), 0x28);
  EXPECT_EQ(Usage(Qt::Key_VolumeUp), std::nullopt);
}

TEST(DemoKeyFeederTest, ReportsEachPressAndReleaseOnce) {
  EnsureApplication();
  std::vector<std::pair<std::uint32_t, bool>> changes;
  app::DemoKeyFeeder feeder([&changes](std::uint32_t code, bool down) {
    changes.emplace_back(code, down);
    return false;
  });
  QWidget parent;
  QWidget child(&parent);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(), true);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
  QKeyEvent media(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier);
  // The same event seen on its way up the widget tree counts once.
  EXPECT_FALSE(feeder.eventFilter(&child, &press));
  EXPECT_FALSE(feeder.eventFilter(&parent, &press));
  EXPECT_FALSE(feeder.eventFilter(&child, &repeat));
  EXPECT_FALSE(feeder.eventFilter(&child, &media));
  EXPECT_FALSE(feeder.eventFilter(&child, &release));
  EXPECT_FALSE(feeder.eventFilter(&parent, &release));
  EXPECT_EQ(changes, (std::vector<std::pair<std::uint32_t, bool>>{{0x70004, true}, {0x70004, false}}));
}

// A key the filter captures is taken from the windows; any other goes on to them.
TEST(DemoKeyFeederTest, TakesTheKeysTheFilterCapturesFromTheWindows) {
  EnsureApplication();
  const std::uint32_t captured = 0x70028;  // Return
  app::DemoKeyFeeder feeder([&](std::uint32_t code, bool) { return code == captured; });
  QWidget widget;
  QKeyEvent returnPress(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QKeyEvent returnRelease(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QKeyEvent aPress(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  EXPECT_TRUE(feeder.eventFilter(&widget, &returnPress));
  EXPECT_TRUE(feeder.eventFilter(&widget, &returnRelease));
  EXPECT_FALSE(feeder.eventFilter(&widget, &aPress));
}

}  // namespace
}  // namespace uitest
