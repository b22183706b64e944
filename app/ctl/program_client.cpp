#include "app/ctl/program_client.h"

#include <algorithm>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include "outside/ctl/ctl_command.h"

namespace app {

namespace {

// kbconfig may hold its lock before it listens (while it starts): try for this long.
constexpr int kConnectWithinMs = 5000;
constexpr int kRetryEveryMs = 100;
// A command is quick; a window that has not answered in this long is busy (a modal question).
constexpr int kAnswerWithinMs = 15000;

CommandReply Busy(std::string error) { return {.exit = ctl::kBusy, .out = "", .error = std::move(error)}; }

}  // namespace

CommandReply AskRunningProgram(const QString& serverName, const std::vector<std::string>& arguments) {
  const std::optional<QByteArray> message = CommandMessage(arguments);
  if (!message) return {.exit = ctl::kBadUsage, .out = "", .error = "arguments may not hold tabs or line breaks"};
  QLocalSocket socket;
  QElapsedTimer trying;
  trying.start();
  for (;;) {
    socket.connectToServer(serverName);
    if (socket.waitForConnected(kConnectWithinMs)) break;
    if (trying.elapsed() >= kConnectWithinMs) {
      return Busy("kbconfig is running but does not take commands (" + socket.errorString().toStdString() + ")");
    }
    QThread::msleep(kRetryEveryMs);  // kbconfig is starting and not listening yet
  }
  socket.write(*message);
  QDeadlineTimer deadline(kAnswerWithinMs);
  while (!socket.canReadLine()) {
    if (socket.bytesAvailable() > kLongestMessage) return Busy("kbconfig's answer could not be read");
    if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
      if (socket.canReadLine()) break;  // the answer came with the end of the connection
      return Busy("kbconfig is running but did not answer");
    }
  }
  const std::optional<CommandReply> reply = ReplyOf(socket.readLine(kLongestMessage));
  if (!reply) return Busy("kbconfig's answer could not be read");
  return *reply;
}

}  // namespace app
