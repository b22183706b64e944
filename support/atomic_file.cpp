#include "support/atomic_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <random>
#include <system_error>

#include "support/durable_file.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "support/text.h"

namespace support {
namespace {

constexpr std::size_t kNoFault = static_cast<std::size_t>(-1);
std::atomic<std::size_t> g_failAfter{kNoFault};

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kSaltDigits = 8;

// <target>.tmp-<8 hex digits>-<decimal counter>, unique per process and save.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}();
  std::filesystem::path tmp = target;
  tmp += Format("%s%08x-%u", std::string(kTemporaryMark).c_str(), salt, counter.fetch_add(1));
  return tmp;
}

std::string Describe(const std::filesystem::path& path, const char* what) { return PathToUtf8(path) + ": " + what; }

template <typename Char>
bool AllDigits(std::basic_string_view<Char> text, bool hexadecimal) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [hexadecimal](Char c) {
    return (c >= '0' && c <= '9') || (hexadecimal && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  });
}

template <typename Char>
bool StartsWith(std::basic_string_view<Char> text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin());
}

// Whether `name` is what TemporaryPathBeside gives for `target` or for one of its kept copies
// (<target>.bad, <target>.bad.<n>).
template <typename Char>
bool IsTemporaryName(std::basic_string_view<Char> name, std::basic_string_view<Char> target) {
  if (name.substr(0, target.size()) != target) return false;
  name.remove_prefix(target.size());
  if (StartsWith(name, ".bad")) {
    name.remove_prefix(4);
    if (StartsWith(name, ".") && !StartsWith(name, kTemporaryMark)) {
      const std::size_t end = name.find('.', 1);
      if (end == std::basic_string_view<Char>::npos || !AllDigits(name.substr(1, end - 1), false)) return false;
      name.remove_prefix(end);
    }
  }
  if (!StartsWith(name, kTemporaryMark)) return false;
  name.remove_prefix(kTemporaryMark.size());
  return name.size() > kSaltDigits + 1 && AllDigits(name.substr(0, kSaltDigits), true) && name[kSaltDigits] == '-' &&
         AllDigits(name.substr(kSaltDigits + 1), false);
}

}  // namespace

SaveResult WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path tmp = TemporaryPathBeside(target);
  const std::size_t failAfter = g_failAfter.exchange(kNoFault);
  if (failAfter != kNoFault) {
    // Part of the bytes reach the temporary file, as with a full disk, then the write fails.
    std::string ignored;
    if (durable::WriteNewFile(tmp, bytes.substr(0, std::min(failAfter, bytes.size())), ignored)) {
      durable::RemoveFile(tmp);
    }
    LogFailure("WriteFileAtomically(write)", Describe(tmp, "injected write failure"));
    return SaveResult::Failed(target, "injected write failure");
  }
  std::string reason;
  if (!durable::WriteNewFile(tmp, bytes, reason)) {
    LogFailure("WriteFileAtomically(write)", Describe(target, "not saved, the file is as it was"));
    return SaveResult::Failed(target, reason);
  }
  switch (durable::RenameOver(tmp, target, reason)) {
    case durable::RenameResult::kReplaced:
      return SaveResult::Saved(target);
    case durable::RenameResult::kNotReplaced:
      durable::RemoveFile(tmp);
      LogFailure("WriteFileAtomically(rename)", Describe(target, "not saved, the file is as it was"));
      return SaveResult::Failed(target, reason);
    case durable::RenameResult::kReplacedNotDurable:
      LogFailure("WriteFileAtomically(sync)", Describe(target, "saved, but a power cut now may undo it"));
      return SaveResult::Failed(target, reason);
  }
  return SaveResult::Failed(target, reason);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // istream::read marks a failed read of the file (badbit); inserting the stream buffer into
  // another stream would take the bytes before the failure for the whole file.
  std::string content;
  std::array<char, 16 * 1024> chunk;
  do {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
  } while (in);
  if (in.bad()) {
    LogFailure("ReadWholeFile", Describe(path, std::generic_category().message(errno).c_str()));
    return std::nullopt;
  }
  return content;
}

int RemoveLeftoverTemporaries(const std::filesystem::path& target) {
  using NativeView = std::basic_string_view<std::filesystem::path::value_type>;
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  const std::filesystem::path::string_type targetName = target.filename().native();
  int removed = 0;
  std::error_code ec;
  std::filesystem::directory_iterator entry(folder, ec);
  if (ec) {
    // A missing folder holds nothing to remove.
    if (ec != std::errc::no_such_file_or_directory) {
      LogFailure("RemoveLeftoverTemporaries", Describe(folder, ec.message().c_str()));
    }
    return 0;
  }
  for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
    const std::filesystem::path path = entry->path();
    const std::filesystem::path::string_type name = path.filename().native();
    if (!IsTemporaryName(NativeView(name), NativeView(targetName))) continue;
    std::error_code statusError;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, statusError))) continue;
    if (durable::RemoveFile(path)) {
      Log("%s: removed, left by a save that did not finish\n", PathToUtf8(path).c_str());
      ++removed;
    }
  }
  if (ec) LogFailure("RemoveLeftoverTemporaries", Describe(folder, ec.message().c_str()));
  return removed;
}

namespace testing {
void FailNextAtomicWriteAfter(std::size_t bytes) { g_failAfter.store(bytes); }
}  // namespace testing

}  // namespace support
