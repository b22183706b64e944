#pragma once
// The world of the macro editor and key assignment tests: the emulated key filter driver and
// virtual device, the channel with the main window's key-event routine (the macro player behind a
// counter) registered and monitoring, the models over files in a temporary folder, and a keyboard
// image with Caps Lock, A and F1 keys.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <gtest/gtest.h>

#include "hostdrv/key_filter_channel.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_virtual_hid.h"
#include "playback/macro_player.h"
#include "qt_test_app.h"
#include "support/clock.h"
#include "support/logger.h"
#include "tests/common/temp_folder.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/macro_editor/macro_record_dlg.h"
#include "ui/toolkit/layout_loader.h"

namespace uitest {

inline constexpr model::KeyCode kKeyA = 0x00070004;
inline constexpr model::KeyCode kKeyB = 0x00070005;
inline constexpr model::KeyCode kCapsLock = 0x00070039;
inline constexpr model::KeyCode kF1 = 0x0007003A;
inline constexpr model::KeyCode kLeftShift = 0x000700E1;

// Processes window-thread events until `condition` holds (generous limit; false when it never does).
inline bool PumpUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The main window's key-event routine: counts what reaches it and hands it to the player.
class MainRoutine {
 public:
  explicit MainRoutine(playback::MacroPlayer& player) : player_(player) {}
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    ++events;
    return player_.OnKeyEvent(page, usage, down);
  }
  std::atomic<int> events{0};

 private:
  playback::MacroPlayer& player_;
};

class EditorWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    library_.Load(folder_ / "macro.xml");
    store_.Load(folder_ / "record.xml");
    config_.mediaKeys = {{L"Volume Up", 0x000C00E9, L"", L""}, {L"Mute", 0x000C00E2, L"", L""}};
    config_.functionKeys = {{L"Copy", {{224, 0}, {6, 10}}}, {L"Nothing", {}}};

    ASSERT_TRUE(device_.OpenVirtualDevice());
    channel_.AddListener(&routine_, &MainRoutine::OnKeyEvent);
    ASSERT_TRUE(channel_.Open());
    ASSERT_EQ(channel_.StartMonitoring(), 1);
    // The emulated driver reports captured keys only: the keys the tests type are captured.
    Capture({kKeyA, kKeyB, kCapsLock, kLeftShift});

    std::filesystem::create_directories(folder_ / "uires");
    std::ofstream(folder_ / "uires" / "keys.xml")
        << "<?xml version=\"1.0\"?><positions>"
           "<key id=\"57\" va=\"7\" name=\"Caps Lock\" rect=\"10,20,30,40\"/>"
           "<key id=\"4\" va=\"7\" name=\"A\" rect=\"40,20,30,40\"/>"
           "<key id=\"58\" va=\"7\" name=\"F1\" rect=\"70,20,30,40\"/>"
           "</positions>";
    image_ = std::make_unique<SOUI::CoordButtonImage>(nullptr, folder_.Path(), nullptr);
    image_->resize(200, 100);
    image_->SetKeyPositionFile("/uires/keys.xml");
    image_->SetSelectionType(0);  // marks change only through assignment
    image_->show();
  }

  void TearDown() override {
    image_.reset();
    channel_.RemoveListener(&routine_, &MainRoutine::OnKeyEvent);
    player_.Shutdown();
  }

  void Capture(const std::vector<model::KeyCode>& keys) { ASSERT_EQ(channel_.SetCaptureTable(keys), 1); }

  std::unique_ptr<macro::MacroRecordDlg> OpenEditor() {
    auto editor = macro::MacroRecordDlg::Create({.channel = channel_,
                                                 .library = library_,
                                                 .selectedKeys = selectedKeys_,
                                                 .config = config_,
                                                 .loader = loader_,
                                                 .clock = clock_});
    EXPECT_NE(editor, nullptr);
    if (editor) {
      editor->SetMessageSink([this](const QString& text) { messages_.push_back(text); });
      editor->SetQuestionSink([this](const QString& text) {
        questions_.push_back(text);
        return true;
      });
      editor->Dialog()->show();
    }
    return editor;
  }

  // A key goes down or up on the keyboard; true once the monitor thread waits for the next event.
  bool Press(model::KeyCode key) { return driver_.PressKey(key) && ReadPending(); }
  bool Release(model::KeyCode key) { return driver_.ReleaseKey(key) && ReadPending(); }
  bool ReadPending() {
    return driver_.WaitUntil([](const sim::SimKeyFilterDriver& d) { return d.PendingReads() == 1; });
  }

  // The capture table the driver was last sent, as the codes it holds.
  std::vector<std::uint8_t> CaptureTableFor(const std::vector<model::KeyCode>& keys) {
    std::vector<std::uint8_t> table(1024, 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      table[i * 4] = static_cast<std::uint8_t>(keys[i] & 0xFF);
      table[i * 4 + 2] = static_cast<std::uint8_t>((keys[i] >> 16) & 0xFF);
      table[i * 4 + 3] = 0x02;
    }
    return table;
  }

  testsupport::TempFolder folder_{"kb_editor"};
  support::ScopedLogCapture log_;
  support::ManualClock clock_;
  sim::SimKeyFilterDriver driver_;
  sim::SimVirtualHid hid_;
  hostdrv::VHidev device_{hid_};
  model::RecordStore store_;
  model::MacroLibrary library_;
  model::AppConfig config_;
  playback::MacroPlayer player_{store_, device_};
  MainRoutine routine_{player_};
  HidUsbFilter::KeyFilterChannel channel_{driver_};
  ui::LayoutLoader loader_{ShippedPackage(), ProgramFolder()};
  macro::SelectedKeys selectedKeys_{{0x39, L"Caps Lock"}};
  std::unique_ptr<SOUI::CoordButtonImage> image_;
  std::vector<QString> messages_;
  std::vector<QString> questions_;  // answered with OK
};

}  // namespace uitest
