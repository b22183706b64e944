// The demo's key feeder: Qt key events become keyboard usages for the emulated key filter.
#include <memory>
#include <set>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/demo/demo_key_feeder.h"
#include "app/demo/qt_key_usage.h"
#include "qt_test_app.h"
#include "tests/common/wait_for.h"

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

// The feeder plays the keyboard filter driver: it reports what the keyboard does, once per press
// and release and never a repeat, and keeps the keys the filter takes from the program's controls.
class DemoKeyFeederTest : public ::testing::Test {
 protected:
  using Changes = std::vector<std::pair<std::uint32_t, bool>>;

  // The emulated filter's answer: keys in `captured` are taken.
  app::DemoKeyFeeder Feeder() {
    return app::DemoKeyFeeder(
        [this](std::uint32_t code, bool down) {
          changes.emplace_back(code, down);
          return captured.count(code) > 0;
        },
        [this](std::uint32_t code) { return captured.count(code) > 0; });
  }

  static std::unique_ptr<QKeyEvent> Key(QEvent::Type type, int key, quint64 timestamp, bool autoRepeat = false) {
    auto event = std::make_unique<QKeyEvent>(type, key, Qt::NoModifier, QString(), autoRepeat);
    event->setTimestamp(timestamp);
    return event;
  }

  // Held-back releases reach the filter once the event loop has run past the repeat window.
  bool WaitForChanges(size_t count) {
    return testsupport::WaitFor([&] {
      QCoreApplication::processEvents();
      return changes.size() >= count;
    });
  }

  bool application = (EnsureApplication(), true);  // before the widgets below
  std::set<std::uint32_t> captured;
  Changes changes;
  QWidget parent;
  QWidget child{&parent};
};

TEST_F(DemoKeyFeederTest, ReportsEachPressAndReleaseOnceAndPassesFreeKeysOn) {
  app::DemoKeyFeeder feeder = Feeder();
  auto shortcut = Key(QEvent::ShortcutOverride, Qt::Key_A, 10);
  auto press = Key(QEvent::KeyPress, Qt::Key_A, 10);
  auto repeat = Key(QEvent::KeyPress, Qt::Key_A, 40, true);
  auto media = Key(QEvent::KeyPress, Qt::Key_VolumeUp, 50);
  auto release = Key(QEvent::KeyRelease, Qt::Key_A, 90);
  // A key the filter does not capture reaches the controls; the same event seen on its way up the
  // widget tree counts once, and repeats Qt marks as such never reach the filter.
  EXPECT_FALSE(feeder.eventFilter(&child, shortcut.get()));
  EXPECT_FALSE(feeder.eventFilter(&child, press.get()));
  EXPECT_FALSE(feeder.eventFilter(&parent, press.get()));
  EXPECT_FALSE(feeder.eventFilter(&child, repeat.get()));
  EXPECT_FALSE(feeder.eventFilter(&child, media.get()));
  EXPECT_FALSE(feeder.eventFilter(&child, release.get()));
  EXPECT_FALSE(feeder.eventFilter(&parent, release.get()));
  ASSERT_TRUE(WaitForChanges(2));
  EXPECT_EQ(changes, (Changes{{0x70004, true}, {0x70004, false}}));
}

TEST_F(DemoKeyFeederTest, KeyHeldOnAnXServerIsOnePressAndOneRelease) {
  app::DemoKeyFeeder feeder = Feeder();
  auto press = Key(QEvent::KeyPress, Qt::Key_A, 10);
  feeder.eventFilter(&child, press.get());
  // The server repeats the held key as release + press pairs with one time stamp, unmarked.
  for (quint64 at : {500, 533, 566}) {
    auto up = Key(QEvent::KeyRelease, Qt::Key_A, at);
    auto down = Key(QEvent::KeyPress, Qt::Key_A, at);
    EXPECT_FALSE(feeder.eventFilter(&child, up.get()));
    EXPECT_FALSE(feeder.eventFilter(&child, down.get()));
  }
  auto release = Key(QEvent::KeyRelease, Qt::Key_A, 900);
  feeder.eventFilter(&child, release.get());
  ASSERT_TRUE(WaitForChanges(2));
  EXPECT_EQ(changes, (Changes{{0x70004, true}, {0x70004, false}}));

  // Released and pressed again by the user: both go to the filter at once.
  auto again = Key(QEvent::KeyPress, Qt::Key_A, 1000);
  auto up = Key(QEvent::KeyRelease, Qt::Key_A, 1100);
  auto quickly = Key(QEvent::KeyPress, Qt::Key_A, 1140);
  feeder.eventFilter(&child, again.get());
  feeder.eventFilter(&child, up.get());
  feeder.eventFilter(&child, quickly.get());
  EXPECT_EQ(changes, (Changes{{0x70004, true}, {0x70004, false}, {0x70004, true}, {0x70004, false},
                              {0x70004, true}}));
}

TEST_F(DemoKeyFeederTest, CapturedKeysNeverReachTheControls) {
  captured = {0x70005};  // B
  app::DemoKeyFeeder feeder = Feeder();
  auto shortcut = Key(QEvent::ShortcutOverride, Qt::Key_B, 10);
  auto press = Key(QEvent::KeyPress, Qt::Key_B, 10);
  auto markedRepeat = Key(QEvent::KeyPress, Qt::Key_B, 300, true);
  auto repeatUp = Key(QEvent::KeyRelease, Qt::Key_B, 400);
  auto repeatDown = Key(QEvent::KeyPress, Qt::Key_B, 400);
  auto release = Key(QEvent::KeyRelease, Qt::Key_B, 700);
  // The shortcut override is accepted and kept, so no shortcut fires for the key.
  shortcut->ignore();
  EXPECT_TRUE(feeder.eventFilter(&child, shortcut.get()));
  EXPECT_TRUE(shortcut->isAccepted());
  EXPECT_TRUE(feeder.eventFilter(&child, press.get()));
  // Repeats of the held key, marked or not, are kept from the controls and not pressed again.
  EXPECT_TRUE(feeder.eventFilter(&child, markedRepeat.get()));
  EXPECT_TRUE(feeder.eventFilter(&child, repeatUp.get()));
  EXPECT_TRUE(feeder.eventFilter(&child, repeatDown.get()));
  // The release follows its press even when the filter lets the key go meanwhile.
  captured.clear();
  EXPECT_TRUE(feeder.eventFilter(&child, release.get()));
  ASSERT_TRUE(WaitForChanges(2));
  EXPECT_EQ(changes, (Changes{{0x70005, true}, {0x70005, false}}));

  // Now free: the next press goes to the controls again.
  auto freePress = Key(QEvent::KeyPress, Qt::Key_B, 1000);
  EXPECT_FALSE(feeder.eventFilter(&child, freePress.get()));
}

}  // namespace
}  // namespace uitest
