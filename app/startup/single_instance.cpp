#include "app/startup/single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include "app/startup/platform_startup.h"
#include "support/logger.h"
#include "ui/toolkit/qt_path.h"

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
  return ui::PathToQString(lockFolder_ / ui::QStringToPath(name_ + QStringLiteral(".lock")));
}

QString SingleInstance::ServerName() const {
  // A bare name is one socket in /tmp for every user of the machine, and another user's would
  // keep this instance from listening; the lock folder is the user's own, so its digest tells
  // users apart (a digest, not the folder itself: socket paths are limited to about 100 bytes).
  const QByteArray folder = ui::PathToQString(lockFolder_).toUtf8();
  const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(12);
  return name_ + QLatin1Char('-') + QString::fromLatin1(digest);
}

SingleInstance::Role SingleInstance::Acquire() {
  lock_ = std::make_unique<QLockFile>(LockFilePath());
  // Age alone never makes the lock stale: a long-running instance keeps it. A holder that no
  // longer exists does.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0) && !TakeOverUnheldLock()) {
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

bool SingleInstance::TakeOverUnheldLock() {
  // QLockFile judges a lock by the process number in it, and the system hands numbers out again
  // (after a restart; a fresh Wine starts from the same ones): a crashed instance's lock can name
  // a process that runs, even this one. A running instance keeps its lock file open and locked,
  // so a lock file that can be removed is nobody's. Only one that names its process, though: Qt
  // creates the file before it locks it and writes the name after, and an empty file may be a
  // start that is taking it this very moment.
  qint64 pid = 0;
  QString host, application;
  if (lock_->error() != QLockFile::LockFailedError || !lock_->getLockInfo(&pid, &host, &application)) return false;
  if (!lock_->removeStaleLockFile() || !lock_->tryLock(0)) return false;
  support::Log("SingleInstance: %s was left by an instance that no longer runs; taken over\n",
               LockFilePath().toUtf8().constData());
  return true;
}

bool SingleInstance::Listen() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(ServerName())) {
    // A socket left by a crashed instance; we hold the lock, so nobody else listens there.
    QLocalServer::removeServer(ServerName());
    if (!server_->listen(ServerName())) return false;
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
  socket.connectToServer(ServerName());
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
