#pragma once
// The operating system's part of a save that survives a power cut: a new file whose bytes are on
// the disk before anyone uses it, and a rename that is on the disk when it returns. Without both,
// a system crash shortly after a save can leave the renamed file empty or the old name pointing
// at nothing.
//
// One source per system, chosen by CMake: durable_file_posix.cpp (fsync of the file, and of its
// folder after the rename) and durable_file_win32.cpp (FlushFileBuffers, MoveFileExW with
// MOVEFILE_WRITE_THROUGH). Folders are made and renamed the same way. Every failure is logged with
// the call's name and the system's error, and the system's message for it is handed to the caller
// in `reason`, for the user.
#include <filesystem>
#include <string>
#include <string_view>

namespace support::durable {

// Creates `path`, which must not exist yet, writes `bytes` to it and waits until they are on the
// disk. False (logged, `reason` set) on any failure; a file it created is removed again then.
bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, std::string& reason);

enum class RenameResult {
  kReplaced,             // `to` is the renamed file, on the disk
  kNotReplaced,          // the rename failed: `to` is as it was and `from` still exists
  kReplacedNotDurable,   // `to` is the renamed file, but the system could not confirm it is on the disk
};

// Renames `from` over `to` (replacing a file there) and waits until the rename is on the disk;
// `reason` is set unless the result is kReplaced.
// (Not called ReplaceFile: <windows.h> makes that name a macro.)
RenameResult RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& reason);

// Removes the file `path`. True when it is gone (or never was); false, logged, when it stays.
bool RemoveFile(const std::filesystem::path& path);

// Creates the folder `path` (its parent must exist) and waits until it is on the disk. True when
// it exists afterwards, also when it did before; false, logged, otherwise.
bool CreateFolder(const std::filesystem::path& path);

// Renames the folder `from` to `to`, which must not exist yet, and waits until the rename is on
// the disk. False, logged, when `to` exists or the rename failed (nothing changed then).
bool RenameFolder(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace support::durable
