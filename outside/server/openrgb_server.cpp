#include "outside/server/openrgb_server.h"

#include <functional>
#include <map>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include "outside/openrgb/sdk_session.h"
#include "support/logger.h"

namespace outside {

namespace {

// Refusals one connection may log; a client that keeps sending the same wrong packet would
// otherwise fill the log.
constexpr int kNotesLoggedPerConnection = 10;
// What a socket holds for its session at most; more waits in the system's buffers.
constexpr qint64 kReadBufferBytes = 64 * 1024;

}  // namespace

struct OpenRgbServer::Counters {
  std::atomic<std::uint64_t> connections{0};
  std::atomic<std::uint64_t> turnedAway{0};
  std::atomic<std::uint64_t> closedSilent{0};
  std::atomic<std::uint64_t> closedRefused{0};
  std::atomic<std::uint64_t> changes{0};
};

// One client: its socket, its session, and the timer that ends a silent or half-sent connection.
class Connection : public QObject {
 public:
  Connection(QTcpSocket* socket, openrgb::SdkDevice& device, std::chrono::milliseconds silenceLimit,
             OpenRgbServer::Counters& counters, std::function<void(Connection*)> onEnd)
      : socket_(socket), session_(device), counters_(counters), onEnd_(std::move(onEnd)) {
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadBufferBytes);
    peer_ = socket_->peerAddress().toString().toStdString() + ":" + std::to_string(socket_->peerPort());
    silence_.setSingleShot(true);
    silence_.setInterval(static_cast<int>(silenceLimit.count()));
    QObject::connect(&silence_, &QTimer::timeout, this, [this] {
      ++counters_.closedSilent;
      End(session_.HoldsPartialPacket() ? "a packet left half sent" : "silent since it connected");
    });
    QObject::connect(socket_, &QTcpSocket::readyRead, this, [this] { Read(); });
    QObject::connect(socket_, &QTcpSocket::disconnected, this, [this] { End("the client left"); });
    silence_.start();  // the first packet must come, and come whole, in time
    support::Log("OpenRGB server: %s connected\n", peer_.c_str());
  }

  void Close(const char* reason) { End(reason); }

 private:
  void Read() {
    if (ended_) return;
    const QByteArray bytes = socket_->readAll();
    const bool partialBefore = session_.HoldsPartialPacket();
    const openrgb::SdkSession::Outcome outcome = session_.Receive(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
    counters_.changes += static_cast<std::uint64_t>(outcome.changes);
    for (const std::string& note : outcome.notes) {
      if (notesLogged_++ < kNotesLoggedPerConnection) {
        support::Log("OpenRGB server: %s (%s): %s\n", peer_.c_str(), session_.ClientName().c_str(), note.c_str());
      }
    }
    if (!outcome.reply.empty()) {
      socket_->write(reinterpret_cast<const char*>(outcome.reply.data()), static_cast<qint64>(outcome.reply.size()));
    }
    if (outcome.close) {
      ++counters_.closedRefused;
      socket_->flush();
      End("refused");
      return;
    }
    if (!session_.HoldsPartialPacket()) spoke_ = true;  // bytes arrived and every packet is whole
    // A packet must arrive whole within the limit from its first byte; between packets a client
    // that has spoken may stay quiet.
    if (session_.HoldsPartialPacket()) {
      if (!partialBefore) silence_.start();
    } else if (spoke_) {
      silence_.stop();
    }
  }

  void End(const char* reason) {
    if (ended_) return;
    ended_ = true;
    silence_.stop();
    support::Log("OpenRGB server: %s (%s) closed: %s\n", peer_.c_str(), session_.ClientName().c_str(), reason);
    socket_->abort();
    onEnd_(this);
  }

  QTcpSocket* socket_;
  openrgb::SdkSession session_;
  OpenRgbServer::Counters& counters_;
  std::function<void(Connection*)> onEnd_;
  QTimer silence_;
  std::string peer_;
  int notesLogged_ = 0;
  bool spoke_ = false;
  bool ended_ = false;
};

class OpenRgbServer::Worker : public QObject {
 public:
  Worker(openrgb::SdkDevice& device, ServerLimits limits, Counters& counters, std::atomic<int>& clients)
      : device_(device), limits_(limits), counters_(counters), clients_(clients) {}

  ListenResult Listen(std::uint16_t port, std::string& error, std::uint16_t& listening) {
    v4_ = new QTcpServer(this);
    if (!v4_->listen(QHostAddress::LocalHost, port)) {
      error = v4_->errorString().toStdString();
      const bool inUse = v4_->serverError() == QAbstractSocket::AddressInUseError;
      delete v4_;
      v4_ = nullptr;
      return inUse ? ListenResult::kPortInUse : ListenResult::kFailed;
    }
    listening = v4_->serverPort();
    QObject::connect(v4_, &QTcpServer::newConnection, this, [this] { Accept(v4_); });
    // Clients that resolve "localhost" to ::1 find the server too; a system without IPv6 has
    // only the IPv4 address.
    v6_ = new QTcpServer(this);
    if (v6_->listen(QHostAddress::LocalHostIPv6, listening)) {
      QObject::connect(v6_, &QTcpServer::newConnection, this, [this] { Accept(v6_); });
    } else {
      delete v6_;
      v6_ = nullptr;
    }
    return ListenResult::kListening;
  }

  void Shutdown() {
    for (QTcpServer* server : {v4_, v6_}) {
      if (server) server->close();
    }
    // Ending a connection removes it from the map: take them out first.
    std::map<Connection*, std::unique_ptr<Connection>> connections = std::move(connections_);
    for (auto& [raw, connection] : connections) connection->Close("the server stopped");
    connections.clear();
    clients_ = 0;
    delete v4_;
    delete v6_;
    v4_ = v6_ = nullptr;
  }

 private:
  void Accept(QTcpServer* server) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
      if (static_cast<int>(connections_.size()) >= limits_.maxClients) {
        ++counters_.turnedAway;
        support::Log("OpenRGB server: %s turned away: %d clients are connected already\n",
                     socket->peerAddress().toString().toStdString().c_str(), limits_.maxClients);
        socket->abort();
        socket->deleteLater();
        continue;
      }
      ++counters_.connections;
      auto connection = std::make_unique<Connection>(
          socket, device_, limits_.silenceLimit, counters_, [this](Connection* ended) { Forget(ended); });
      Connection* raw = connection.get();
      connections_.emplace(raw, std::move(connection));
      clients_ = static_cast<int>(connections_.size());
    }
  }

  void Forget(Connection* ended) {
    const auto found = connections_.find(ended);
    if (found == connections_.end()) return;
    // Deleted once the signal that ended it has returned.
    found->second.release()->deleteLater();
    connections_.erase(found);
    clients_ = static_cast<int>(connections_.size());
  }

  openrgb::SdkDevice& device_;
  ServerLimits limits_;
  Counters& counters_;
  std::atomic<int>& clients_;
  QTcpServer* v4_ = nullptr;
  QTcpServer* v6_ = nullptr;
  std::map<Connection*, std::unique_ptr<Connection>> connections_;
};

OpenRgbServer::OpenRgbServer(openrgb::SdkDevice& device, ServerLimits limits)
    : device_(device), limits_(limits), counters_(std::make_shared<Counters>()) {}

OpenRgbServer::~OpenRgbServer() { Stop(); }

ListenResult OpenRgbServer::Start(std::uint16_t port, std::string* error) {
  Stop();
  thread_ = std::make_unique<QThread>();
  thread_->setObjectName("OpenRGB server");
  worker_ = new Worker(device_, limits_, *counters_, clients_);
  worker_->moveToThread(thread_.get());
  thread_->start();
  std::string reason;
  std::uint16_t listening = 0;
  ListenResult result = ListenResult::kFailed;
  QMetaObject::invokeMethod(
      worker_, [&] { result = worker_->Listen(port, reason, listening); }, Qt::BlockingQueuedConnection);
  if (result != ListenResult::kListening) {
    support::LogFailure("OpenRgbServer::Start", "port " + std::to_string(port) + ": " + reason);
    if (error) *error = reason;
    Stop();
    return result;
  }
  port_ = listening;
  support::Log("OpenRGB server: listening on 127.0.0.1:%u\n", static_cast<unsigned>(listening));
  return result;
}

void OpenRgbServer::Stop() {
  if (!thread_) return;
  QMetaObject::invokeMethod(worker_, [this] { worker_->Shutdown(); }, Qt::BlockingQueuedConnection);
  thread_->quit();
  thread_->wait();
  delete worker_;
  worker_ = nullptr;
  thread_.reset();
  if (port_ != 0) support::Log("OpenRGB server: stopped\n");
  port_ = 0;
}

OpenRgbServer::Totals OpenRgbServer::Counts() const {
  return {.connections = counters_->connections,
          .turnedAway = counters_->turnedAway,
          .closedSilent = counters_->closedSilent,
          .closedRefused = counters_->closedRefused,
          .changes = counters_->changes};
}

}  // namespace outside
