// Lighting control from outside the window, in the main window on the emulated keyboard: the
// "more" menu's switch with its question for another port, an OpenRGB client's change shown in the
// panel, and kbconfigctl's commands run by the window.
#include <QAction>
#include <QComboBox>
#include <QSlider>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "../common/wait_for.h"
#include "main_window_rig.h"
#include "outside/ctl/ctl_run.h"
#include "outside/openrgb/byte_writer.h"
#include "outside/openrgb/sdk_protocol.h"
#include "ui/main_window/window_command_target.h"

namespace uitest {
namespace {

constexpr int kWaitMs = 20000;

QByteArray Packet(std::uint32_t controller, std::uint32_t id, const std::vector<std::uint8_t>& data) {
  const std::vector<std::uint8_t> packet = openrgb::Packet(controller, id, data);
  return QByteArray(reinterpret_cast<const char*>(packet.data()), static_cast<qsizetype>(packet.size()));
}

class OutsideControlTest : public ::testing::Test {
 protected:
  void Start() {
    rig.LoadDataFiles();
    ASSERT_TRUE(rig.Start());
    rig.ClearReports();
  }
  QAction* Switch() { return rig.window->MoreMenu()->ActionForCommand(ui::CMainDlg::kCommandOutsideControl); }
  ctl::Result Command(std::vector<std::string> arguments) {
    ui::WindowCommandTarget target(*rig.window);
    return ctl::RunArguments(arguments, target);
  }

  MainWindowRig rig;
};

TEST_F(OutsideControlTest, ATakenPortIsToldAndAnotherOneServesAClientWhoseChangeThePanelShows) {
  QTcpServer occupant;  // another program on the remembered port
  ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost));
  rig.outsidePort = occupant.serverPort();
  std::vector<QString> asked;
  rig.askPort = [&asked](QWidget*, const QString& text, std::uint16_t taken) -> std::optional<std::uint16_t> {
    asked.push_back(text.arg(taken));
    return asked.size() == 1 ? std::optional<std::uint16_t>(taken) : std::optional<std::uint16_t>(0);
  };
  Start();
  ASSERT_NE(Switch(), nullptr);
  EXPECT_TRUE(Switch()->isCheckable());
  EXPECT_FALSE(Switch()->isChecked());

  rig.window->OnMenuCommand(ui::CMainDlg::kCommandOutsideControl);
  ASSERT_EQ(asked.size(), 2u);  // the same port again is still taken; the second answer is free
  EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Port %1 is in use by another program.").arg(occupant.serverPort())));
  EXPECT_TRUE(rig.window->Outside().IsEnabled());
  EXPECT_TRUE(Switch()->isChecked());

  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, rig.window->Outside().Port());
  ASSERT_TRUE(client.waitForConnected(kWaitMs));
  openrgb::ByteWriter version;
  version.U32(5);
  client.write(Packet(0, openrgb::kRequestProtocolVersion, version.Data()));
  openrgb::ByteWriter change;
  change.U32(0);
  change.I32(7);  // Starlight
  openrgb::ModeDescription mode;
  mode.speed = 4;
  mode.brightness = 1;
  openrgb::WriteMode(change, mode, 5);
  change.PatchU32(0, static_cast<std::uint32_t>(change.Size()));
  client.write(Packet(0, openrgb::kUpdateMode, change.Data()));
  client.flush();
  ASSERT_TRUE(testsupport::WaitFor([this] {
    MainWindowRig::ProcessEvents();
    return rig.Control<QComboBox>("cbx_color_effect")->currentIndex() == 7;
  }));
  EXPECT_EQ(rig.Control<QSlider>("bar_general_speed_1")->value(), 4);
  EXPECT_EQ(rig.Control<QSlider>("bar_const_brightness_1")->value(), 1);
  EXPECT_EQ(rig.EffectReportTexts(), std::vector<std::string>{"07 ff ff 08 01 04 00 00"});
  EXPECT_NE(rig.ReadFile("ledeffect.xml").find("<effect sel=\"7\">"), std::string::npos);

  rig.window->OnMenuCommand(ui::CMainDlg::kCommandOutsideControl);
  EXPECT_FALSE(rig.window->Outside().IsEnabled());
  EXPECT_FALSE(Switch()->isChecked());
  EXPECT_TRUE(client.state() == QAbstractSocket::UnconnectedState || client.waitForDisconnected(kWaitMs));
}

TEST_F(OutsideControlTest, CancellingTheQuestionLeavesTheSwitchOff) {
  QTcpServer occupant;
  ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost));
  rig.outsidePort = occupant.serverPort();
  rig.askPort = [](QWidget*, const QString&, std::uint16_t) { return std::optional<std::uint16_t>(); };
  Start();
  rig.window->OnMenuCommand(ui::CMainDlg::kCommandOutsideControl);
  EXPECT_FALSE(rig.window->Outside().IsEnabled());
  EXPECT_FALSE(Switch()->isChecked());
  // kbconfigctl is told as much, without a question.
  const ctl::Result result = Command({"openrgb", "on"});
  EXPECT_EQ(result.exit, ctl::kFailed);
  EXPECT_EQ(result.error, "port " + std::to_string(occupant.serverPort()) +
                              " is in use by another program: choose another with --port (6743 is common)");
}

TEST_F(OutsideControlTest, CommandsRunByTheWindowShowInItsPanel) {
  Start();
  const ctl::Result effect = Command({"effect", "Breathing", "--speed", "3", "--brightness", "2"});
  EXPECT_EQ(effect.exit, ctl::kOk);
  EXPECT_EQ(effect.out, "Effect 1 Breathing (speed 3, brightness 2, direction left, colour 0)\n");
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(rig.Control<QComboBox>("cbx_color_effect")->currentIndex(), 1);
  EXPECT_EQ(rig.Control<QSlider>("bar_general_speed_1")->value(), 3);
  const ctl::Result side = Command({"side", "Blue", "--brightness", "5"});
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(side.out, "Side light 5 Blue (brightness 5)\n");
  EXPECT_EQ(rig.Control<QComboBox>("cbx_side_color_effect")->currentIndex(), 5);
  EXPECT_EQ(rig.Control<QSlider>("bar_side_brightness")->value(), 5);
  EXPECT_EQ(rig.SentReportTexts(),
            (std::vector<std::string>{"07 ff ff 02 02 03 00 00", "07 ff ff 20 00 00 55 00"}));
  // The switch follows kbconfigctl too.
  ASSERT_EQ(Command({"openrgb", "on", "--port", "0"}).exit, ctl::kBadValue);
  EXPECT_FALSE(Switch()->isChecked());
  EXPECT_EQ(Command({"stop-macros"}).out, "Every macro stopped\n");

  rig.window->FactoryRestore();
  rig.keyboard.Unplug();
  MainWindowRig::ProcessEvents();
  const ctl::Result busy = Command({"effect", "2"});
  EXPECT_EQ(busy.exit, ctl::kBusy);
  EXPECT_EQ(busy.error, "kbconfig is restoring the factory settings; try again once the keyboard is back");
}

}  // namespace
}  // namespace uitest
