#pragma once
// Whole-file reads and crash-safe whole-file writes for the program's data files.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/save_result.h"

namespace support {

// Writes `bytes` to a temporary file beside `target` (<target>.tmp-<8 hex digits>-<n>), waits until
// they are on the disk, renames the file over `target` and waits until the rename is on the disk
// too. A crash of the program or of the system, or a power cut, at any point leaves `target` as
// the old version (or none) or the new one, never empty or torn. On failure the failure is logged
// and the result is kFailed with the system's message; `target` is then the old version, except
// after a rename the system could not confirm on the disk (logged as such), and no temporary file
// is left behind.
SaveResult WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Removes the temporary files that saves of `target` left beside it when they were killed before
// their rename (also those of its kept copies <target>.bad and <target>.bad.<n>), and logs each.
// Returns how many were removed. Only for a moment when no other process may be saving `target`:
// the program runs it once it knows it is the only instance.
int RemoveLeftoverTemporaries(const std::filesystem::path& target);

// The whole file as bytes, or nothing when it cannot be opened or a read fails (logged): a file
// cut short by an I/O error is never taken for the whole file.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

namespace testing {
// Makes the next WriteFileAtomically fail after writing `bytes` bytes of its temporary file,
// as a full disk or an I/O error would. Only for tests.
void FailNextAtomicWriteAfter(std::size_t bytes);
}  // namespace testing

}  // namespace support
