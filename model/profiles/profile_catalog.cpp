#include "model/profiles/profile_catalog.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <system_error>

#include "model/profiles/profile_name.h"
#include "support/atomic_file.h"
#include "support/durable_file.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace model {
namespace {

constexpr const wchar_t* kNewPrefix = L".new-";
constexpr const wchar_t* kGonePrefix = L".gone-";

std::string Utf8(const std::filesystem::path& path) { return support::PathToUtf8(path); }

bool IsHidden(const std::filesystem::path& entry) {
  const std::wstring name = entry.filename().wstring();
  return !name.empty() && name.front() == L'.';
}

void RemoveTree(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (ec) support::LogFailure("ProfileCatalog: remove_all", Utf8(folder) + ": " + ec.message());
}

}  // namespace

ProfileCatalog::ProfileCatalog(std::filesystem::path dataFolder) : dataFolder_(std::move(dataFolder)) {}

std::vector<std::wstring> ProfileCatalog::Ids() const {
  std::vector<std::wstring> further;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(ProfilesFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& entry = it->path();
    std::error_code typeError;
    if (IsHidden(entry) || !it->is_directory(typeError)) continue;
    const std::wstring name = entry.filename().wstring();
    if (CheckProfileName(name, {}) == ProfileNameProblem::kNone && name == TrimProfileName(name)) {
      further.push_back(name);
    }
  }
  std::sort(further.begin(), further.end(), ProfileNameLess);
  std::vector<std::wstring> ids{L""};
  ids.insert(ids.end(), further.begin(), further.end());
  return ids;
}

bool ProfileCatalog::Exists(const std::wstring& id) const {
  if (id.empty()) return true;
  const std::vector<std::wstring> ids = Ids();
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::filesystem::path ProfileCatalog::FolderOf(const std::wstring& id) const {
  return id.empty() ? dataFolder_ : ProfilesFolder() / id;
}

ProfileFiles ProfileCatalog::FilesOf(const std::wstring& id) const {
  const std::filesystem::path folder = FolderOf(id);
  return ProfileFiles{folder / kRecordFileName, folder / kLedEffectFileName, folder / kSideModelFileName};
}

std::filesystem::path ProfileCatalog::HiddenFolder(const wchar_t* prefix) const {
  thread_local std::mt19937 random{std::random_device{}()};
  for (;;) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
    std::filesystem::path candidate = ProfilesFolder() / (std::wstring(prefix) + suffix);
    std::error_code ec;
    if (!std::filesystem::exists(candidate, ec)) return candidate;
  }
}

bool ProfileCatalog::Create(const std::wstring& id, const ProfileContents& contents) {
  if (id.empty()) return false;
  const std::filesystem::path target = FolderOf(id);
  std::error_code ec;
  if (std::filesystem::exists(target, ec)) {
    support::LogFailure("ProfileCatalog::Create", Utf8(target) + ": exists already");
    return false;
  }
  if (!support::durable::CreateFolder(ProfilesFolder())) return false;
  const std::filesystem::path building = HiddenFolder(kNewPrefix);
  if (!support::durable::CreateFolder(building)) return false;
  const bool written = support::WriteFileAtomically(building / kRecordFileName, contents.records) &&
                       support::WriteFileAtomically(building / kLedEffectFileName, contents.effects) &&
                       support::WriteFileAtomically(building / kSideModelFileName, contents.sides);
  if (!written || !support::durable::RenameFolder(building, target)) {
    RemoveTree(building);
    return false;
  }
  return true;
}

bool ProfileCatalog::Rename(const std::wstring& from, const std::wstring& to) {
  if (from.empty() || to.empty()) return false;
  return support::durable::RenameFolder(FolderOf(from), FolderOf(to));
}

bool ProfileCatalog::Remove(const std::wstring& id) {
  if (id.empty()) return false;
  const std::filesystem::path going = HiddenFolder(kGonePrefix);
  if (!support::durable::RenameFolder(FolderOf(id), going)) return false;
  RemoveTree(going);  // what a failure leaves is hidden, and cleared at the next start
  return true;
}

int ProfileCatalog::RemoveInterrupted() {
  int removed = 0;
  std::error_code ec;
  std::vector<std::filesystem::path> leftovers;
  for (std::filesystem::directory_iterator it(ProfilesFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::wstring name = it->path().filename().wstring();
    if (name.rfind(kNewPrefix, 0) == 0 || name.rfind(kGonePrefix, 0) == 0) leftovers.push_back(it->path());
  }
  for (const std::filesystem::path& leftover : leftovers) {
    support::Log("%s: left by an interrupted profile change, removed\n", Utf8(leftover).c_str());
    RemoveTree(leftover);
    ++removed;
  }
  return removed;
}

}  // namespace model
