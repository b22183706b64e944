// The virtual HID device without its driver, under Wine on a display: VHidev's keyboard,
// consumer, mouse and system reports arrive at this test's window as the right key messages
// (virtual key, scan code, extended flag) and mouse messages, a key goes up as the key it went
// down as, and what the device holds is released when asked and when its handle closes.
#include <gtest/gtest.h>

#include <vector>

#include "hostdrv/find_virtual_device.h"
#include "hostdrv/vhidev.h"
#include "platform/win32/send_input_device.h"
#include "support/logger.h"
#include "test_window.h"

namespace {

using win32_test::KeyMessage;
using win32_test::MouseMessage;
using win32_test::TestWindow;

KeyMessage Down(UINT virtualKey, UINT scan, bool extended = false) { return {WM_KEYDOWN, virtualKey, scan, extended}; }
KeyMessage Up(UINT virtualKey, UINT scan, bool extended = false) { return {WM_KEYUP, virtualKey, scan, extended}; }

class RecordingControls final : public platform::win32::SystemControls {
 public:
  void Press(std::uint16_t usage) override { pressed.push_back(usage); }
  std::vector<std::uint16_t> pressed;
};

class SendInputDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!window_.Focused()) GTEST_SKIP() << "no desktop to focus a window on (under Wine: set DISPLAY to an X server)";
    ASSERT_TRUE(device_.OpenVirtualDevice());
  }

  std::vector<UINT> MouseKinds() const {
    std::vector<UINT> kinds;
    for (const MouseMessage& message : window_.Mouse()) {
      if (message.message != WM_MOUSEMOVE) kinds.push_back(message.message);
    }
    return kinds;
  }

  TestWindow& window_ = TestWindow::Shared();
  RecordingControls controls_;
  platform::win32::SendInputVirtualHid injected_{&controls_};
  hostdrv::VHidev device_{injected_};
};

TEST_F(SendInputDeviceTest, TheSearchFindsItAsTheProgramsVirtualDevice) {
  support::ScopedLogCapture log;
  EXPECT_NE(hostdrv::FindVirtualDevice(injected_, injected_.HidClassGuid()), nullptr);
  EXPECT_NE(log.Text().find("Device Attributes - PID: 0xfeed, VID: 0xdeed \n"), std::string::npos) << log.Text();
  EXPECT_NE(log.Text().find("Success: Found my device.. \n"), std::string::npos);
}

TEST_F(SendInputDeviceTest, KeyboardReportsArriveAsKeyMessagesWithScanCodeAndExtendedFlag) {
  ASSERT_EQ(device_.SetKey(0x07, 0x04, true), 1);   // A
  ASSERT_EQ(device_.SetKey(0x07, 0x04, false), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0x52, true), 1);   // Up Arrow (E0 48)
  ASSERT_EQ(device_.SetKey(0x07, 0x52, false), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0x58, true), 1);   // Keypad Enter (E0 1C)
  ASSERT_EQ(device_.SetKey(0x07, 0x58, false), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0x29, true), 1);   // Escape
  ASSERT_EQ(device_.SetKey(0x07, 0x29, false), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0x3A, true), 1);   // F1
  ASSERT_EQ(device_.SetKey(0x07, 0x3A, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 10; }));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down('A', 0x1E), Up('A', 0x1E), Down(VK_UP, 0x48, true),
                                                      Up(VK_UP, 0x48, true), Down(VK_RETURN, 0x1C, true),
                                                      Up(VK_RETURN, 0x1C, true), Down(VK_ESCAPE, 0x01), Up(VK_ESCAPE, 0x01),
                                                      Down(VK_F1, 0x3B), Up(VK_F1, 0x3B)}));
}

TEST_F(SendInputDeviceTest, AKeyCombinationGoesDownModifierFirstAndUpModifierLast) {
  // A macro step sets Left Control and C in one report, then clears both.
  ASSERT_EQ(device_.SetKeyboardUsage(0xE0, true), 1);
  ASSERT_EQ(device_.SetKeyboardUsage(0x06, true), 1);
  ASSERT_EQ(device_.SetKeyboardUsage(0x06, false), 1);
  ASSERT_EQ(device_.SetKeyboardUsage(0xE0, false), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0xE6, true), 1);  // Right Alt (E0 38)
  ASSERT_EQ(device_.SetKey(0x07, 0xE6, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 6; }));
  const std::vector<KeyMessage>& keys = window_.Keys();
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[0], Down(VK_CONTROL, 0x1D));
  EXPECT_EQ(keys[1], Down('C', 0x2E));
  EXPECT_EQ(keys[2], Up('C', 0x2E));
  EXPECT_EQ(keys[3], Up(VK_CONTROL, 0x1D));
  // Alt goes as a system key.
  EXPECT_EQ(keys[4], (KeyMessage{WM_SYSKEYDOWN, VK_MENU, 0x38, true}));
  EXPECT_EQ(keys[5], (KeyMessage{WM_SYSKEYUP, VK_MENU, 0x38, true}));
}

TEST_F(SendInputDeviceTest, ConsumerReportsArriveAsMediaKeys) {
  ASSERT_EQ(device_.SetKey(0x0C, 0xE9, true), 1);   // Volume Up
  ASSERT_EQ(device_.SetKey(0x0C, 0xE9, false), 1);
  ASSERT_EQ(device_.SetKey(0x0C, 0xCD, true), 1);   // Play Pause
  ASSERT_EQ(device_.SetKey(0x0C, 0xCD, false), 1);
  ASSERT_EQ(device_.SetKey(0x0C, 0x224, true), 1);  // WWW Back
  ASSERT_EQ(device_.SetKey(0x0C, 0x224, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 6; }));
  EXPECT_EQ(window_.Keys(), (std::vector<KeyMessage>{Down(VK_VOLUME_UP, 0x30, true), Up(VK_VOLUME_UP, 0x30, true),
                                                      Down(VK_MEDIA_PLAY_PAUSE, 0x22, true),
                                                      Up(VK_MEDIA_PLAY_PAUSE, 0x22, true),
                                                      Down(VK_BROWSER_BACK, 0x6A, true), Up(VK_BROWSER_BACK, 0x6A, true)}));
}

// Pointer acceleration off while a test moves the pointer (for this session only), so a step is a
// pixel.
class NoPointerAcceleration {
 public:
  NoPointerAcceleration() {
    SystemParametersInfoW(SPI_GETMOUSE, 0, saved_, 0);
    int none[3] = {0, 0, 0};
    SystemParametersInfoW(SPI_SETMOUSE, 0, none, 0);
  }
  ~NoPointerAcceleration() { SystemParametersInfoW(SPI_SETMOUSE, 0, saved_, 0); }

 private:
  int saved_[3] = {};
};

TEST_F(SendInputDeviceTest, MouseReportsArriveAsButtonMovementAndWheelMessages) {
  const NoPointerAcceleration exactSteps;
  const POINT centre = window_.Centre();
  ASSERT_TRUE(SetCursorPos(centre.x, centre.y));
  window_.Pump(std::chrono::milliseconds(50));
  window_.Clear();

  ASSERT_EQ(device_.SetKey(0x05, 1, true), 1);
  ASSERT_EQ(device_.SetKey(0x05, 1, false), 1);
  ASSERT_EQ(device_.SetKey(0x05, 2, true), 1);
  ASSERT_EQ(device_.SetKey(0x05, 2, false), 1);
  ASSERT_EQ(device_.SetKey(0x05, 3, true), 1);
  ASSERT_EQ(device_.SetKey(0x05, 3, false), 1);
  ASSERT_EQ(device_.SetKey(0x05, 4, true), 1);
  ASSERT_EQ(device_.SetKey(0x05, 4, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return MouseKinds().size() >= 8; }));
  EXPECT_EQ(MouseKinds(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN,
                                             WM_MBUTTONUP, WM_XBUTTONDOWN, WM_XBUTTONUP}));
  EXPECT_EQ(window_.Mouse().back().xButton, static_cast<UINT>(XBUTTON1));

  // The X byte takes the usage's low byte (0x30): 48 steps to the right, and again with every
  // mouse report until all is released.
  window_.Clear();
  ASSERT_EQ(device_.SetKey(0x01, 0x30, true), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return !window_.Mouse().empty(); }));
  POINT moved{};
  GetCursorPos(&moved);
  EXPECT_EQ(moved.x, centre.x + 48);
  EXPECT_EQ(moved.y, centre.y);
  device_.ReleaseAll();

  window_.Clear();
  ASSERT_EQ(device_.SetKey(0x01, 0x38, true), 1);  // the wheel byte: 0x38 notches away from the user
  device_.ReleaseAll();
  ASSERT_TRUE(window_.PumpUntil([&] { return !MouseKinds().empty(); }));
  ASSERT_EQ(MouseKinds(), (std::vector<UINT>{WM_MOUSEWHEEL}));
  for (const MouseMessage& message : window_.Mouse()) {
    if (message.message == WM_MOUSEWHEEL) {
      EXPECT_EQ(message.wheelDelta, 0x38 * WHEEL_DELTA);
    }
  }
}

TEST_F(SendInputDeviceTest, AKeyGoesUpAsTheVirtualKeyItWentDownAs) {
  const auto numLockOn = [] { return (GetKeyState(VK_NUMLOCK) & 1) != 0; };
  const auto toggleNumLock = [&] {
    const bool was = numLockOn();
    const std::size_t seen = window_.Keys().size();
    return win32_test::TapKey(VK_NUMLOCK, 0x45, true) &&
           window_.PumpUntil([&] { return window_.Keys().size() >= seen + 2 && numLockOn() != was; });
  };
  if (!numLockOn()) {
    ASSERT_TRUE(toggleNumLock());
  }
  window_.Clear();
  // Keypad 1 goes down as VK_NUMPAD1; Num Lock goes off before it is let go.
  ASSERT_EQ(device_.SetKey(0x07, 0x59, true), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 1; }));
  ASSERT_TRUE(toggleNumLock());
  ASSERT_EQ(device_.SetKey(0x07, 0x59, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 4; }));
  EXPECT_EQ(window_.Keys().front(), Down(VK_NUMPAD1, 0x4F));
  EXPECT_EQ(window_.Keys().back(), Up(VK_NUMPAD1, 0x4F));
  // With Num Lock off, its next press is VK_END, and so is its release.
  ASSERT_EQ(device_.SetKey(0x07, 0x59, true), 1);
  ASSERT_EQ(device_.SetKey(0x07, 0x59, false), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 6; }));
  EXPECT_EQ(window_.Keys()[4], Down(VK_END, 0x4F));
  EXPECT_EQ(window_.Keys()[5], Up(VK_END, 0x4F));
}

TEST_F(SendInputDeviceTest, SystemControlsArePowerActionsPressedOnce) {
  ASSERT_EQ(device_.SetKey(0x01, 0x82, true), 1);  // System Sleep
  ASSERT_EQ(device_.SetKey(0x01, 0x82, false), 1);
  ASSERT_EQ(device_.SetKey(0x01, 0x81, true), 1);  // System Power
  EXPECT_EQ(controls_.pressed, (std::vector<std::uint16_t>{0x82, 0x81}));
  window_.Pump(std::chrono::milliseconds(100));
  EXPECT_TRUE(window_.Keys().empty());  // no key of its own
}

TEST_F(SendInputDeviceTest, HeldKeysAreReleasedOnRequestAndWhenTheDeviceCloses) {
  ASSERT_EQ(device_.SetKey(0x07, 0xE1, true), 1);  // Left Shift
  ASSERT_EQ(device_.SetKey(0x0C, 0xE2, true), 1);  // Mute
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 2; }));
  injected_.ReleaseAll();  // as when the keyboard hook lost its keys
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 4; }));
  EXPECT_EQ(window_.Keys()[2], Up(VK_SHIFT, 0x2A));
  EXPECT_EQ(window_.Keys()[3], Up(VK_VOLUME_MUTE, 0x20, true));
  EXPECT_TRUE(injected_.Held().keys.none());

  // VHidev still holds Shift: its next keyboard report presses it again, closing lets go.
  ASSERT_EQ(device_.SetKey(0x07, 0x04, true), 1);
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 6; }));
  EXPECT_EQ(window_.Keys()[4], Down(VK_SHIFT, 0x2A));
  EXPECT_EQ(window_.Keys()[5], Down('A', 0x1E));
  device_.CloseDevice();
  ASSERT_TRUE(window_.PumpUntil([&] { return window_.Keys().size() >= 8; }));
  EXPECT_EQ(window_.Keys()[6], Up('A', 0x1E));
  EXPECT_EQ(window_.Keys()[7], Up(VK_SHIFT, 0x2A));
}

TEST_F(SendInputDeviceTest, ReportsThatAreNotTheVirtualDevicesAreRefused) {
  std::uint32_t error = 0;
  auto handle = injected_.OpenReportDevice(platform::win32::kInjectedDevicePath, error);
  ASSERT_NE(handle, nullptr);
  const std::uint8_t shortReport[8] = {0x05, 0x01, 0x00, 0x10};
  EXPECT_FALSE(handle->WriteReport(shortReport, sizeof shortReport, error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(injected_.OpenReportDevice(L"\\\\?\\hid#other", error), nullptr);
  window_.Pump(std::chrono::milliseconds(50));
  EXPECT_TRUE(window_.Keys().empty());
}

}  // namespace
