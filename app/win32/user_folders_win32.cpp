// The user's folders on Windows, from the shell's known folders.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>
#include <system_error>

#include "app/startup/user_folders.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace app {
namespace {

// A known folder of the user's (SHGetKnownFolderPath); empty, logged, when the system names none.
std::filesystem::path KnownFolder(const KNOWNFOLDERID& id, const char* name) {
  PWSTR text = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &text);
  std::filesystem::path folder;
  if (SUCCEEDED(result) && text != nullptr) {
    folder = std::filesystem::path(text);
  } else {
    support::LogFailure("SHGetKnownFolderPath", std::string(name) + ": HRESULT " + std::to_string(result));
  }
  CoTaskMemFree(text);
  return folder;
}

}  // namespace

std::filesystem::path UserAppDataFolder() { return KnownFolder(FOLDERID_RoamingAppData, "RoamingAppData"); }

std::filesystem::path InstanceLockFolder() {
  const std::filesystem::path local = KnownFolder(FOLDERID_LocalAppData, "LocalAppData");
  if (!local.empty()) {
    const std::filesystem::path folder = local / "kbconfig";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec) return folder;
    support::LogFailure("InstanceLockFolder", support::PathToUtf8(folder) + ": " + ec.message());
  }
  std::error_code ec;
  std::filesystem::path temporary = std::filesystem::temp_directory_path(ec);
  if (ec) support::LogFailure("InstanceLockFolder(temp_directory_path)", ec.message());
  return temporary;
}

}  // namespace app
