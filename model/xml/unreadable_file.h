#pragma once
// Keeps a data file the program could not read before anything is written over it.
#include <filesystem>

namespace model {

// How many copies of unreadable versions of one file are kept: <name>.bad, then <name>.bad.1 up
// to <name>.bad.9. With all taken, the last one is replaced.
inline constexpr int kKeptUnreadableCopies = 10;

// Copies `path` to the first free <name>.bad[.n] beside it and logs where it went. A copy with the
// same bytes already kept is not made again, so starting twice with one broken file keeps it once.
// A file that cannot even be read is moved there instead. True when the file is kept (or there is
// no file, or nothing in it); false when keeping it failed, in which case the caller must not write
// over it.
bool PreserveUnreadableFile(const std::filesystem::path& path);

// Where copy `index` (0 for the first) of `path` is kept.
std::filesystem::path KeptCopyPath(const std::filesystem::path& path, int index);

}  // namespace model
