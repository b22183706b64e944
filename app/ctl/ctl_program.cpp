#include "app/ctl/ctl_program.h"

#include <cstdio>

#include <QCoreApplication>
#include <QLockFile>
#include <QStringList>

#include "app/channel/instance_channel.h"
#include "app/ctl/console_output.h"
#include "app/ctl/keyboard_target.h"
#include "app/ctl/program_client.h"
#include "app/startup/program_folders.h"
#include "app/startup/user_folders.h"
#include "outside/ctl/ctl_run.h"
#include "platform/hid.h"
#include "support/clock.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace app {

namespace {

std::filesystem::path PathOf(const QString& text) { return support::PathFromUtf8(text.toStdString()); }

void Print(const ctl::Result& result) {
  std::fwrite(result.out.data(), 1, result.out.size(), stdout);
  std::fflush(stdout);
  if (!result.error.empty()) std::fprintf(stderr, "kbconfigctl: %s\n", result.error.c_str());
}

}  // namespace

int RunKbconfigctl(int argc, char** argv, LogShown log) {
  QCoreApplication application(argc, argv);
  PrepareConsoleOutput();
  std::vector<std::string> arguments;
  bool verbose = log == LogShown::kAlways;
  const QStringList given = QCoreApplication::arguments();
  for (qsizetype n = 1; n < given.size(); ++n) {
    if (given[n] == QStringLiteral("--verbose")) {
      verbose = true;
    } else {
      arguments.push_back(given[n].toStdString());
    }
  }

  // Help and usage errors need neither kbconfig nor the keyboard.
  const std::variant<ctl::Command, ctl::UsageError> parsed = ctl::ParseArguments(arguments);
  if (const ctl::UsageError* error = std::get_if<ctl::UsageError>(&parsed)) {
    Print(ctl::UsageResult(*error));
    return ctl::kBadUsage;
  }
  if (std::get<ctl::Command>(parsed).verb == ctl::Verb::kHelp) {
    Print({ctl::kOk, ctl::HelpText(), ""});
    return ctl::kOk;
  }
  // Standard output holds the answer alone (scripts read it); the log goes to standard error.
  support::Logger::Instance().ReplaceSink([verbose](std::string_view text) {
    if (!verbose) return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  });

  const ProgramFolders folders =
      ChooseProgramFolders(PathOf(QCoreApplication::applicationDirPath()), UserFoldersOfThisProcess());
  const QString instanceName = InstanceNameIn(folders.resources / "uires").value_or(QStringLiteral("kbconfig"));
  const InstanceAddress address =
      AddressOf(instanceName, QString::fromStdString(support::PathToUtf8(InstanceLockFolder())));

  QLockFile lock(address.lockFile);
  lock.setStaleLockTime(0);
  ctl::Result result;
  if (lock.tryLock(0)) {
    KeyboardTarget target(folders, platform::DefaultHidSystem(), support::SteadyClock::Instance());
    result = ctl::Run(std::get<ctl::Command>(parsed), target);
  } else {
    const CommandReply reply = AskRunningProgram(address.serverName, arguments);
    result = {reply.exit, reply.out, reply.error};
  }
  Print(result);
  return result.exit;
}

}  // namespace app
