#include "support/notice_marker.h"

#include <string>
#include <system_error>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace support {

bool NoticeMarked(const std::filesystem::path& marker) {
  std::error_code ec;
  return std::filesystem::exists(marker, ec);
}

bool MarkNotice(const std::filesystem::path& marker, std::string_view told) {
  const std::string text = "kbconfig has told you " + std::string(told) + ".\nRemove this file to be told again.\n";
  return WriteFileAtomically(marker, text).IsSaved();
}

void ClearNoticeMark(const std::filesystem::path& marker) {
  std::error_code ec;
  if (!std::filesystem::remove(marker, ec) && ec) {
    LogFailure("ClearNoticeMark", PathToUtf8(marker) + ": " + ec.message());
  }
}

}  // namespace support
