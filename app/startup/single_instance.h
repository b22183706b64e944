#pragma once
// Only one instance of the program runs. The first holds a lock file and listens on a local
// socket, both named by the instance name and kept in the user's own folder (see
// app/channel/instance_channel.h); a later start finds the lock taken, asks the first instance
// over the socket to bring its window forward, and ends. kbconfigctl hands the running instance
// its commands over the same socket, and holds the same lock while it works alone.
//
// A crashed first instance leaves both behind: the lock file names a process that no longer
// exists, which QLockFile recognises and takes over (and so does this class when the number has
// gone to another process since: a lock file nobody holds open is stale); the stale socket is
// removed before listening, which is safe because only the holder of the lock listens. A lock held
// by a process that does not listen (kbconfigctl at work) is waited for a moment.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include "app/channel/instance_channel.h"

namespace app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    kFirst,          // this process is the running instance
    kAnotherRunning, // another instance runs (it has been asked to show its window)
  };

  // Runs a kbconfigctl command (its arguments) on the window thread and says what to answer.
  using CommandHandler = std::function<CommandReply(const std::vector<std::string>& arguments)>;

  // lockFolder: where the lock file lives (the user's runtime folder in the program).
  SingleInstance(QString instanceName, std::filesystem::path lockFolder);
  ~SingleInstance() override;

  Role Acquire();
  bool IsFirst() const { return server_ != nullptr; }
  QString LockFilePath() const { return address_.lockFile; }
  QString ServerName() const { return address_.serverName; }

  // Commands arriving before a handler is set are answered as busy.
  void SetCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }

  static constexpr const char* kActivateMessage = app::kActivateMessage;

 signals:
  // Another start asked this instance to show its window.
  void ActivationRequested();

 private:
  bool TakeOverUnheldLock();
  bool Listen();
  bool AskFirstInstanceToShow() const;
  void OnConnection();
  void Answer(QLocalSocket* socket, const QByteArray& line);

  QString name_;
  std::filesystem::path lockFolder_;
  InstanceAddress address_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  CommandHandler commandHandler_;
};

}  // namespace app
