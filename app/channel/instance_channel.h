#pragma once
// The single-instance lock and channel of one user's kbconfig: where they are, and the messages
// that travel over the channel. A later start of the program asks the running one to show its
// window; kbconfigctl hands it a command and reads the answer.
//
// The channel is a local socket that only its user can use: on Linux a Unix socket in the user's
// runtime folder (mode 0700 socket, and a peer whose user differs is turned away), on Windows a
// named pipe whose security descriptor admits the current user only (QLocalServer's
// UserAccessOption).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

class QLocalSocket;

namespace app {

struct InstanceAddress {
  QString lockFile;    // the QLockFile that marks the running instance
  QString serverName;  // what QLocalServer listens on and QLocalSocket connects to
};

// `lockFolder` is the user's own (the runtime folder). On Linux the socket lives there too, named
// after the instance; where that path would be too long for a socket, the name falls back to the
// instance name and a digest of the folder (in the shared temporary folder, still told apart per
// user). On Windows a pipe name is the instance name and that digest.
InstanceAddress AddressOf(const QString& instanceName, const QString& lockFolder);

// Entry 0 of the resource package's named strings ("values:string"): the instance name.
std::optional<QString> InstanceNameIn(const std::filesystem::path& resourceFolder);

inline constexpr char kActivateMessage[] = "activate\n";
// The longest message either side reads; a longer one ends the connection.
inline constexpr qint64 kLongestMessage = 64 * 1024;

struct CommandReply {
  int exit = 0;
  std::string out{};
  std::string error{};
};

// "command\t<arguments joined by tabs>\n"; nullopt when an argument holds a tab or a line break.
std::optional<QByteArray> CommandMessage(const std::vector<std::string>& arguments);
// The arguments of a command message (its line break included), or nullopt when it is not one.
std::optional<std::vector<std::string>> ArgumentsOf(const QByteArray& line);
// One line of JSON: {"exit":..,"out":"..","error":".."}.
QByteArray ReplyMessage(const CommandReply& reply);
std::optional<CommandReply> ReplyOf(const QByteArray& line);

// The server name on this system (channel_posix.cpp, channel_win32.cpp): `digestName` is the
// instance name and a digest of the lock folder.
QString ChannelServerName(const QString& instanceName, const QString& lockFolder, const QString& digestName);

// Whether the process at the other end of an accepted connection runs as this process's user
// (Linux: the socket's peer credentials; Windows: the pipe's security descriptor has admitted
// only this user already).
bool PeerIsSameUser(const QLocalSocket& socket);

}  // namespace app
