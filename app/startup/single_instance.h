#pragma once
// Only one instance of the program runs. The first holds a lock file and listens on a local
// socket, both named by the instance name (the socket's name also by the lock folder); a later start finds the lock taken, asks the first
// instance over the socket to bring its window forward, and ends.
//
// A crashed first instance leaves both behind: the lock file names a process that no longer
// exists, which QLockFile recognises and takes over (and so does this class when the number has
// gone to another process since: a lock file nobody holds open is stale); the stale socket is
// removed before listening, which is safe because only the holder of the lock listens.
#include <filesystem>
#include <memory>

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    kFirst,          // this process is the running instance
    kAnotherRunning, // another instance runs (it has been asked to show its window)
  };

  // lockFolder: where the lock file lives (the system's temporary folder in the program).
  SingleInstance(QString instanceName, std::filesystem::path lockFolder);
  ~SingleInstance() override;

  Role Acquire();
  bool IsFirst() const { return server_ != nullptr; }
  QString LockFilePath() const;
  // The local socket's name: the instance name and a digest of the lock folder, so instances of
  // different users never meet.
  QString ServerName() const;

  static constexpr const char* kActivateMessage = "activate\n";

 signals:
  // Another start asked this instance to show its window.
  void ActivationRequested();

 private:
  bool TakeOverUnheldLock();
  bool Listen();
  bool AskFirstInstanceToShow() const;
  void OnConnection();

  QString name_;
  std::filesystem::path lockFolder_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace app
