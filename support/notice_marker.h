#pragma once
// A file in the data folder whose presence remembers, across starts, that the user has been told
// something that is told once ("uinput-access-told", "tray-notice-told"). Its text says what it
// stands for and that removing it has the user told again.
#include <filesystem>
#include <string_view>

namespace support {

// Whether the marker is there (a marker that cannot be looked at counts as absent).
bool NoticeMarked(const std::filesystem::path& marker);
// Writes the marker with `told` (what the user was told) in its text. False, logged, when it
// cannot be written: the user is then told again next time, which is better than never.
bool MarkNotice(const std::filesystem::path& marker, std::string_view told);
// Removes the marker, so that the notice is given again when its reason comes back.
void ClearNoticeMark(const std::filesystem::path& marker);

}  // namespace support
