#include "model/xml/unreadable_file.h"

#include <optional>
#include <string>
#include <system_error>

#include "model/xml/xml_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace model {
namespace {

std::string Utf8(const std::filesystem::path& path) { return support::WideToUtf8(path.wstring()); }

bool MoveAside(const std::filesystem::path& path, const std::filesystem::path& kept) {
  std::error_code ec;
  std::filesystem::rename(path, kept, ec);
  if (ec) {
    support::LogFailure("PreserveUnreadableFile(rename)", Utf8(path) + ": " + ec.message());
    return false;
  }
  support::Log("%s: unreadable, moved to %s\n", Utf8(path).c_str(), Utf8(kept).c_str());
  return true;
}

}  // namespace

std::filesystem::path KeptCopyPath(const std::filesystem::path& path, int index) {
  std::filesystem::path kept = path;
  kept += index == 0 ? std::string(".bad") : ".bad." + std::to_string(index);
  return kept;
}

bool PreserveUnreadableFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;

  const std::optional<std::string> bytes = support::ReadWholeFile(path);
  if (bytes && HoldsNoXmlContent(*bytes)) return true;
  std::filesystem::path target = KeptCopyPath(path, kKeptUnreadableCopies - 1);
  for (int index = 0; index < kKeptUnreadableCopies; ++index) {
    const std::filesystem::path candidate = KeptCopyPath(path, index);
    if (!std::filesystem::exists(candidate, ec)) {
      target = candidate;
      break;
    }
    if (bytes && support::ReadWholeFile(candidate) == bytes) {
      support::Log("%s: unreadable, already kept as %s\n", Utf8(path).c_str(), Utf8(candidate).c_str());
      return true;
    }
  }

  if (!bytes) return MoveAside(path, target);
  if (!support::WriteFileAtomically(target, *bytes)) return false;
  support::Log("%s: unreadable, kept as %s\n", Utf8(path).c_str(), Utf8(target).c_str());
  return true;
}

}  // namespace model
