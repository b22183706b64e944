#include "app/startup/program_folders.h"

#include <cstdlib>
#include <system_error>

#include "app/startup/user_folders.h"
#include "model/config/load_config.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace app {
namespace {

constexpr const char* kFolderName = "kbconfig";

bool IsFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::filesystem::path EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::filesystem::path(std::string(value)) : std::filesystem::path();
}

// The base of the user's configuration folders; empty when the environment names none.
std::filesystem::path ConfigHome(const UserFolders& user) {
  if (user.xdgConfigHome.is_absolute()) return user.xdgConfigHome;
  if (user.home.is_absolute()) return user.home / ".config";
  return {};
}

}  // namespace

ProgramFolders FoldersBeside(const std::filesystem::path& folder) {
  return ProgramFolders{.resources = folder, .data = folder, .configFile = folder / model::kConfigFileName};
}

ProgramFolders ChooseProgramFolders(const std::filesystem::path& executableFolder, const UserFolders& user) {
  if (IsFile(executableFolder / kSetupMarker) && user.appData.is_absolute()) {
    const std::filesystem::path data = user.appData / kFolderName;
    const std::filesystem::path userConfig = data / model::kConfigFileName;
    return ProgramFolders{.resources = executableFolder,
                          .data = data,
                          .configFile = IsFile(userConfig) ? userConfig : executableFolder / model::kConfigFileName,
                          .installed = true};
  }
  if (IsFile(executableFolder / model::kConfigFileName)) return FoldersBeside(executableFolder);

  const std::filesystem::path package = (executableFolder / ".." / "share" / kFolderName).lexically_normal();
  const std::filesystem::path configHome = ConfigHome(user);
  const std::filesystem::path data = configHome.empty() ? executableFolder : configHome / kFolderName;
  const std::filesystem::path userConfig = data / model::kConfigFileName;
  return ProgramFolders{.resources = package,
                        .data = data,
                        .configFile = IsFile(userConfig) ? userConfig : package / model::kConfigFileName,
                        .installed = true};
}

UserFolders UserFoldersOfThisProcess() {
  return UserFolders{.xdgConfigHome = EnvironmentPath("XDG_CONFIG_HOME"),
                     .home = EnvironmentPath("HOME"),
                     .appData = UserAppDataFolder()};
}

bool PrepareDataFolder(const ProgramFolders& folders) {
  if (!folders.installed) return true;
  std::error_code ec;
  std::filesystem::create_directories(folders.data, ec);
  if (ec) {
    support::LogFailure("PrepareDataFolder", support::PathToUtf8(folders.data) + ": " + ec.message());
    return false;
  }
  return true;
}

}  // namespace app
