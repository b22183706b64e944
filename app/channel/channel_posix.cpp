// The channel on Linux and other Unix systems: a Unix socket in the user's runtime folder, and the
// peer's credentials to tell its user.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QLocalSocket>

#include "app/channel/instance_channel.h"
#include "support/logger.h"

namespace app {

namespace {

// sun_path holds 108 bytes on Linux; stay clear of it.
constexpr qsizetype kLongestSocketPath = 100;

}  // namespace

QString ChannelServerName(const QString& instanceName, const QString& lockFolder, const QString& digestName) {
  const QString inFolder = QDir(lockFolder).filePath(instanceName + QStringLiteral(".socket"));
  return inFolder.toUtf8().size() <= kLongestSocketPath ? inFolder : digestName;
}

bool PeerIsSameUser(const QLocalSocket& socket) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
    support::LogFailure("PeerIsSameUser: getsockopt(SO_PEERCRED)", std::strerror(errno));
    return false;
  }
  return credentials.uid == ::geteuid();
}

}  // namespace app
