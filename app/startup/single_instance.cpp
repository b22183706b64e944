#include "app/startup/single_instance.h"

#include <QLocalSocket>

#include "app/startup/platform_startup.h"
#include "outside/ctl/ctl_command.h"
#include "support/logger.h"
#include "ui/toolkit/qt_path.h"

namespace app {

namespace {

constexpr int kConnectTimeoutMs = 2000;
// How long a start waits for a lock whose holder does not listen (kbconfigctl doing its work).
constexpr int kWaitForWorkingHolderMs = 5000;

}  // namespace

SingleInstance::SingleInstance(QString instanceName, std::filesystem::path lockFolder)
    : name_(std::move(instanceName)),
      lockFolder_(std::move(lockFolder)),
      address_(AddressOf(name_, ui::PathToQString(lockFolder_))) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
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
    // A holder that listens is the program: it shows its window. One that does not is
    // kbconfigctl at work, done in a moment.
    if (AskFirstInstanceToShow() || !lock_->tryLock(kWaitForWorkingHolderMs)) {
      lock_.reset();
      return Role::kAnotherRunning;
    }
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
    if (!PeerIsSameUser(*socket)) {
      support::LogFailure("SingleInstance::OnConnection", "a process of another user was turned away");
      socket->abort();
      continue;
    }
    socket->setReadBufferSize(kLongestMessage);
    auto readMessage = [this, socket] {
      if (!socket->canReadLine()) {
        // A message longer than any valid one never ends: drop the connection.
        if (socket->bytesAvailable() >= kLongestMessage) socket->abort();
        return;
      }
      const QByteArray line = socket->readLine(kLongestMessage);
      if (line == kActivateMessage) {
        emit ActivationRequested();
        socket->disconnectFromServer();
        return;
      }
      Answer(socket, line);
    };
    connect(socket, &QLocalSocket::readyRead, this, readMessage);
    readMessage();  // the message may have arrived with the connection
  }
}

void SingleInstance::Answer(QLocalSocket* socket, const QByteArray& line) {
  CommandReply reply{.exit = ctl::kBadUsage, .out = "", .error = "kbconfig did not understand the request"};
  if (const std::optional<std::vector<std::string>> arguments = ArgumentsOf(line)) {
    if (commandHandler_) {
      reply = commandHandler_(*arguments);
    } else {
      reply = {.exit = ctl::kBusy, .out = "", .error = "kbconfig is starting; try again in a moment"};
    }
  }
  socket->write(ReplyMessage(reply));
  socket->flush();
  socket->disconnectFromServer();
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
