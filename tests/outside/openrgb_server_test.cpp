// The OpenRGB server over real loopback connections: it answers, it applies changes off the
// caller's thread, and it closes what it must (silence, half packets, too many clients, bytes that
// are not the protocol) while the others go on.
#include "outside/server/openrgb_server.h"

#include <atomic>
#include <memory>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "../common/wait_for.h"
#include "outside/openrgb/byte_writer.h"
#include "outside/openrgb/sdk_protocol.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWaitMs = 20000;  // generous: a verdict never hangs on the machine's speed

class CountingDevice final : public openrgb::SdkDevice {
 public:
  std::vector<openrgb::ControllerDescription> Controllers() override {
    openrgb::ControllerDescription controller;
    controller.name = "keyboard";
    openrgb::ModeDescription mode;
    mode.name = "wave";
    mode.flags = openrgb::kModeHasSpeed;
    mode.speedMax = 4;
    controller.modes = {mode};
    return {controller};
  }
  bool ApplyMode(std::size_t, std::size_t, std::optional<std::uint32_t> speed, std::optional<std::uint32_t>) override {
    lastSpeed = speed.value_or(99);
    ++applied;
    return true;
  }
  std::vector<std::string> Profiles() override { return {}; }
  bool LoadProfile(const std::string&) override { return false; }
  std::atomic<int> applied{0};
  std::atomic<std::uint32_t> lastSpeed{0};
};

QByteArray Request(std::uint32_t id, const Bytes& data = {}) {
  const Bytes packet = openrgb::Packet(0, id, data);
  return QByteArray(reinterpret_cast<const char*>(packet.data()), static_cast<qsizetype>(packet.size()));
}

QByteArray SpeedChange(std::uint32_t speed) {
  openrgb::ByteWriter data;
  data.U32(0);
  data.I32(0);
  openrgb::ModeDescription mode;
  mode.name = "wave";
  mode.speed = speed;
  openrgb::WriteMode(data, mode, 0);
  data.PatchU32(0, static_cast<std::uint32_t>(data.Size()));
  return Request(openrgb::kUpdateMode, data.Data());
}

class OpenRgbServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "openrgb_server_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }
  void Start(outside::ServerLimits limits) {
    server = std::make_unique<outside::OpenRgbServer>(device, limits);
    ASSERT_EQ(server->Start(0), outside::ListenResult::kListening);
  }
  std::unique_ptr<QTcpSocket> Connect() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server->Port());
    EXPECT_TRUE(socket->waitForConnected(kWaitMs));
    return socket;
  }
  // The client's request and the whole answer it waits for.
  static QByteArray Ask(QTcpSocket& socket, const QByteArray& request, qsizetype answerSize) {
    socket.write(request);
    socket.flush();
    QByteArray answer;
    while (answer.size() < answerSize && socket.waitForReadyRead(kWaitMs)) answer += socket.readAll();
    return answer;
  }
  static bool ClosedByServer(QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(kWaitMs);
  }

  CountingDevice device;
  std::unique_ptr<outside::OpenRgbServer> server;
};

TEST_F(OpenRgbServerTest, AnswersAndAppliesOverLoopback) {
  Start({});
  std::unique_ptr<QTcpSocket> client = Connect();
  const QByteArray count = Ask(*client, Request(openrgb::kRequestControllerCount), 20);
  EXPECT_EQ(count, QByteArray::fromHex("4f52474200000000000000000400000001000000"));
  client->write(SpeedChange(3));
  client->flush();
  EXPECT_TRUE(testsupport::WaitFor([this] { return device.applied == 1; }));  // no answer comes for it
  EXPECT_EQ(device.lastSpeed, 3u);
  EXPECT_EQ(server->Clients(), 1);
  EXPECT_EQ(server->Counts().changes, 1u);
  // Another server cannot take the same port; it says why.
  outside::OpenRgbServer second(device);
  EXPECT_EQ(second.Start(server->Port()), outside::ListenResult::kPortInUse);
  EXPECT_FALSE(second.IsRunning());
}

TEST_F(OpenRgbServerTest, SilenceHalfPacketsAndForeignBytesCloseOnlyTheirConnection) {
  Start({.maxClients = 8, .silenceLimit = 300ms});
  std::unique_ptr<QTcpSocket> silent = Connect();
  std::unique_ptr<QTcpSocket> half = Connect();
  const QByteArray change = SpeedChange(2);
  half->write(change.left(change.size() - 1));
  half->flush();
  std::unique_ptr<QTcpSocket> foreign = Connect();
  foreign->write("GET / HTTP/1.1\r\n\r\n");
  foreign->flush();
  std::unique_ptr<QTcpSocket> large = Connect();
  large->write(QByteArray::fromHex("4f524742000000004d04000001100000"));  // 4097 bytes announced
  large->flush();
  std::unique_ptr<QTcpSocket> talking = Connect();
  EXPECT_EQ(Ask(*talking, Request(openrgb::kRequestControllerCount), 20).size(), 20);
  for (QTcpSocket* socket : {silent.get(), half.get(), foreign.get(), large.get()}) EXPECT_TRUE(ClosedByServer(*socket));
  EXPECT_EQ(device.applied, 0);
  // A client that has spoken may stay quiet past the limit: a silent witness that connected after
  // it has been closed, and it is still answered.
  std::unique_ptr<QTcpSocket> witness = Connect();
  EXPECT_TRUE(ClosedByServer(*witness));
  EXPECT_EQ(talking->state(), QAbstractSocket::ConnectedState);
  EXPECT_EQ(Ask(*talking, Request(openrgb::kRequestControllerCount), 20).size(), 20);
  const outside::OpenRgbServer::Totals totals = server->Counts();
  EXPECT_EQ(totals.closedSilent, 3u);
  EXPECT_EQ(totals.closedRefused, 2u);
}

TEST_F(OpenRgbServerTest, ClientsBeyondTheLimitAreTurnedAway) {
  Start({.maxClients = 2, .silenceLimit = 10s});
  std::unique_ptr<QTcpSocket> first = Connect();
  std::unique_ptr<QTcpSocket> second = Connect();
  EXPECT_EQ(Ask(*first, Request(openrgb::kRequestControllerCount), 20).size(), 20);
  EXPECT_EQ(Ask(*second, Request(openrgb::kRequestControllerCount), 20).size(), 20);
  std::unique_ptr<QTcpSocket> third = Connect();
  EXPECT_TRUE(ClosedByServer(*third));
  EXPECT_EQ(server->Counts().turnedAway, 1u);
  second->disconnectFromHost();
  EXPECT_TRUE(ClosedByServer(*second));
  // Room again once one has left.
  EXPECT_TRUE(testsupport::WaitFor([this] { return server->Clients() == 1; }));
  std::unique_ptr<QTcpSocket> fourth = Connect();
  EXPECT_EQ(Ask(*fourth, Request(openrgb::kRequestControllerCount), 20).size(), 20);
  server->Stop();
  EXPECT_TRUE(ClosedByServer(*first));
  EXPECT_FALSE(server->IsRunning());
}

}  // namespace
