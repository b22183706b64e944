#include "app/startup/single_instance.h"

#include <QLocalSocket>

#include "app/startup/platform_startup.h"
#include "support/logger.h"

namespace app {

namespace {

constexpr int kConnectTimeoutMs = 2000;

}  // namespace

SingleInstance::SingleInstance(QString instanceName, std::filesystem::path lockFolder)
    : name_(std::move(instanceName)), lockFolder_(std::move(lockFolder)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
}

QString SingleInstance::LockFilePath() const {
  return QString::fromStdWString((lockFolder_ / (name_.toStdWString() + L".lock")).wstring());
}

SingleInstance::Role SingleInstance::Acquire() {
  lock_ = std::make_unique<QLockFile>(LockFilePath());
  // Age alone never makes the lock stale: a long-running instance keeps it. A holder that no
  // longer exists does.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    if (lock_->error() != QLockFile::LockFailedError) {
      support::LogFailure("SingleInstance::Acquire", "lock file " + LockFilePath().toStdString() + " unusable");
    }
    lock_.reset();
    AskFirstInstanceToShow();
    return Role::kAnotherRunning;
  }
  if (!Listen()) {
    // Without the socket a later start cannot reach this window, but this instance still runs.
    support::LogFailure("SingleInstance::Listen", server_ ? server_->errorString().toStdString() : "no server");
  }
  return Role::kFirst;
}

bool SingleInstance::Listen() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left by a crashed instance; we hold the lock, so nobody else listens there.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
  return true;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto readMessage = [this, socket] {
      if (!socket->canReadLine()) return;
      const QByteArray line = socket->readLine();
      if (line == kActivateMessage) emit ActivationRequested();
      socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, this, readMessage);
    readMessage();  // the message may have arrived with the connection
  }
}

bool SingleInstance::AskFirstInstanceToShow() const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kConnectTimeoutMs)) {
    support::LogFailure("SingleInstance::AskFirstInstanceToShow", socket.errorString().toStdString());
    return false;
  }
  AllowInstanceToTakeForeground(socket);
  socket.write(kActivateMessage);
  const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
  if (!sent) support::LogFailure("SingleInstance::AskFirstInstanceToShow", socket.errorString().toStdString());
  socket.disconnectFromServer();
  return sent;
}

}  // namespace app
