#pragma once
// The user's own folders that kbconfig and kbconfigctl both need, so that they agree on them:
// one implementation per system, app/win32/user_folders_win32.cpp on Windows,
// user_folders_generic.cpp elsewhere.
#include <filesystem>

namespace app {

// The user's roaming application-data folder (%APPDATA%) on Windows; empty elsewhere.
std::filesystem::path UserAppDataFolder();

// Where this user's single-instance lock lives (and, on Linux, the channel's socket): per-user
// temporary state, on Windows <local application data>\kbconfig (created when missing; the
// temporary folder if it cannot be), elsewhere the user's runtime folder ($XDG_RUNTIME_DIR).
std::filesystem::path InstanceLockFolder();

}  // namespace app
