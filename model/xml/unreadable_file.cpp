#include "model/xml/unreadable_file.h"

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace model {
namespace {

using Fate = UnreadableFileReport::Fate;

std::string Utf8(const std::filesystem::path& path) { return support::PathToUtf8(path); }

UnreadableFileReport ReportOf(const std::filesystem::path& file, Fate fate, const std::filesystem::path& copy = {}) {
  return UnreadableFileReport{.fate = fate, .file = file, .copy = copy, .reason = {}};
}

UnreadableFileReport NotKept(const std::filesystem::path& file, std::string reason) {
  return UnreadableFileReport{.fate = Fate::kNotKept, .file = file, .copy = {}, .reason = std::move(reason)};
}

UnreadableFileReport MoveAside(const std::filesystem::path& path, const std::filesystem::path& kept) {
  std::error_code ec;
  std::filesystem::rename(path, kept, ec);
  if (ec) {
    support::LogFailure("PreserveUnreadableFile(rename)", Utf8(path) + ": " + ec.message());
    return NotKept(path, ec.message());
  }
  support::Log("%s: unreadable, moved to %s\n", Utf8(path).c_str(), Utf8(kept).c_str());
  return ReportOf(path, Fate::kKept, kept);
}

}  // namespace

std::filesystem::path KeptCopyPath(const std::filesystem::path& path, int index) {
  std::filesystem::path kept = path;
  kept += index == 0 ? std::string(".bad") : ".bad." + std::to_string(index);
  return kept;
}

UnreadableFileReport PreserveUnreadableFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ReportOf(path, Fate::kNone);

  const std::optional<std::string> bytes = support::ReadWholeFile(path);
  if (bytes && HoldsNoXmlContent(*bytes)) return ReportOf(path, Fate::kNone);
  std::filesystem::path target = KeptCopyPath(path, kKeptUnreadableCopies - 1);
  for (int index = 0; index < kKeptUnreadableCopies; ++index) {
    const std::filesystem::path candidate = KeptCopyPath(path, index);
    if (!std::filesystem::exists(candidate, ec)) {
      target = candidate;
      break;
    }
    if (bytes && support::ReadWholeFile(candidate) == bytes) {
      support::Log("%s: unreadable, already kept as %s\n", Utf8(path).c_str(), Utf8(candidate).c_str());
      return ReportOf(path, Fate::kAlreadyKept, candidate);
    }
  }

  if (!bytes) return MoveAside(path, target);
  if (support::SaveResult copied = support::WriteFileAtomically(target, *bytes); !copied) {
    return NotKept(path, std::move(copied.reason));
  }
  support::Log("%s: unreadable, kept as %s\n", Utf8(path).c_str(), Utf8(target).c_str());
  return ReportOf(path, Fate::kKept, target);
}

void UnreadableFileGuard::AfterRead(const std::filesystem::path& file, XmlFileState state) {
  report_ = state == XmlFileState::kUnreadable ? PreserveUnreadableFile(file) : ReportOf(file, Fate::kNone);
}

bool UnreadableFileGuard::MaySave() {
  if (report_.MayReplace()) return true;
  UnreadableFileReport retried = PreserveUnreadableFile(report_.file);
  if (retried.MayReplace()) {
    report_ = std::move(retried);
    return true;
  }
  report_.reason = std::move(retried.reason);
  support::Log("%s: not saved, as it could not be read and no copy of it could be kept\n",
               Utf8(report_.file).c_str());
  return false;
}

}  // namespace model
