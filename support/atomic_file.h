#pragma once
// Whole-file reads and crash-safe whole-file writes for the program's data files.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace support {

// Writes `bytes` to a temporary file beside `target`, flushes and closes it, then renames it
// over `target`. A crash or a failure at any point leaves `target` as it was (the old version or
// none); on failure the temporary file is removed, the failure is logged and false returned.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The whole file as bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

namespace testing {
// Makes the next WriteFileAtomically fail after writing `bytes` bytes of its temporary file,
// as a full disk or an I/O error would. Only for tests.
void FailNextAtomicWriteAfter(std::size_t bytes);
}  // namespace testing

}  // namespace support
