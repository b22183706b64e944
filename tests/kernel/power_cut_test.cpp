// Power cuts during saves of the data files. The saves run on ext4 in a small image behind
// device-mapper's log-writes target, which logs every write in the order it reached the disk.
// Afterwards the test rebuilds the disk as a power cut at many random points of that log would
// have left it (writes since the last flush kept or lost at random), mounts each image again (the
// journal is replayed as at the next boot) and checks every data file, before and after the
// program's own loaders have read it: it is the old or the new version or, when neither, the
// loaders have kept its bytes as a `.bad` copy. An empty file taken as "nothing there" fails.
//
// The file system: ext4, data=ordered, mounted for the saves with noauto_da_alloc and commit=1.
// ext4's auto_da_alloc writes a file's data out when it is renamed over another, a guess that
// hides a missing fsync which other file systems (and ext4 without it) do not forgive; commit=1
// commits the journal every second, so a few seconds of saving meet several commits.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "block_devices.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "suite_fixture.h"
#include "tests/hardening/save_loop_content.h"
#include "write_log.h"

namespace kbtest {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kSavingTime = 3s;
// Cuts per run; kbcuts=<n> on the guest's kernel command line (KBCONFIG_POWER_CUTS of
// run-in-qemu.sh) asks for more.
constexpr int kDefaultCuts = 40;
constexpr std::uint64_t kLogBytes = 384ull << 20;
constexpr char kSaveOptions[] = "noauto_da_alloc,commit=1";

int CutsToTry() {
  const char* asked = std::getenv("KBCONFIG_POWER_CUTS");
  const int cuts = asked != nullptr ? std::atoi(asked) : 0;
  return cuts > 0 ? cuts : kDefaultCuts;
}

// A folder of the guest's memory file system, emptied before and after.
class WorkFolder {
 public:
  explicit WorkFolder(const fs::path& path) : path_(path) {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    fs::create_directories(path_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

bool WriteBytes(const fs::path& file, std::span<const std::uint8_t> bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::vector<std::uint8_t> ReadBytes(const fs::path& file) {
  const std::string text = support::ReadWholeFile(file).value_or("");
  return {text.begin(), text.end()};
}

// The log file, mapped for reading.
class MappedFile {
 public:
  explicit MappedFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) return;
    size_ = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped != MAP_FAILED) data_ = static_cast<const std::uint8_t*>(mapped);
  }
  ~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  }
  std::span<const std::uint8_t> Bytes() const { return data_ ? std::span(data_, size_) : std::span<const std::uint8_t>(); }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

struct Tally {
  int cuts = 0;
  std::array<int, 2> atVersion{};  // data files found at version 0 and 1
  int keptAsBad = 0;               // found at neither version and kept aside by the loaders
  std::size_t cachedWritesLost = 0;
};

// The `.bad` copies in `folder` of data file `name`, with their bytes.
std::vector<std::string> BadCopiesOf(const fs::path& folder, const std::string& name) {
  std::vector<std::string> copies;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    if (file.rfind(name + ".bad", 0) == 0) copies.push_back(support::ReadWholeFile(entry.path()).value_or(""));
  }
  return copies;
}

// Mounts one power-cut image and checks its data files. Failures are reported with the cut.
void CheckCut(const fs::path& image, const fs::path& mountPoint, std::size_t cut,
              const std::map<std::string, std::array<std::string, 2>>& versions, Tally& tally) {
  SCOPED_TRACE("power cut after " + std::to_string(cut) + " logged writes");
  const auto loop = LoopDevice::Attach(image);
  ASSERT_TRUE(loop);
  // Read-only first (the journal is still replayed): most cuts find only whole versions, and then
  // there is nothing for the loaders to keep aside.
  const auto mounted = MountedFileSystem::Mount(loop->Node(), mountPoint, "ext4", "ro");
  ASSERT_TRUE(mounted) << "the file system does not mount after the cut";

  std::map<std::string, std::string> damaged;  // files at neither version, with their bytes
  for (const auto& [name, both] : versions) {
    const auto bytes = support::ReadWholeFile(mountPoint / name);
    ASSERT_TRUE(bytes) << name << " is gone";
    if (*bytes == both[0] || *bytes == both[1]) {
      ++tally.atVersion[*bytes == both[0] ? 0 : 1];
    } else {
      damaged[name] = *bytes;
    }
  }
  if (!damaged.empty()) {
    ASSERT_TRUE(mounted->Remount(""));
    {
      support::ScopedLogCapture quiet;           // the loaders log what they keep aside
      hardening::SaveLoop startUp(mountPoint);  // loads the four files as the program's start does
    }
    for (const auto& [name, bytes] : damaged) {
      const auto copies = BadCopiesOf(mountPoint, name);
      const bool kept = std::find(copies.begin(), copies.end(), bytes) != copies.end();
      EXPECT_TRUE(kept) << name << " holds " << bytes.size()
                        << " bytes, neither version, and the program took it as valid (no .bad copy of it)";
      if (kept) ++tally.keptAsBad;
    }
  }
  EXPECT_TRUE(mounted->Unmount());
}

TEST(PowerCut, EveryDataFileIsTheOldOrTheNewVersionOrKeptAsBadAfterACutAtAnyWrite) {
  WorkFolder work("/tmp/power-cut");
  fs::create_directories(work.Path() / "reference");
  const auto versions = hardening::SavedVersions(work.Path() / "reference");
  ASSERT_EQ(versions.size(), hardening::kDataFiles.size());
  for (const auto& [name, both] : versions) ASSERT_NE(both[0], both[1]) << name;

  // The image with the data files at version 1: every state a cut can find has them.
  const fs::path data = work.Path() / "data.img";
  fs::copy_file(SuiteFolder() / "power-cut.img", data);
  {
    const auto loop = LoopDevice::Attach(data);
    ASSERT_TRUE(loop);
    const auto mounted = MountedFileSystem::Mount(loop->Node(), work.Path() / "mnt", "ext4", "");
    ASSERT_TRUE(mounted);
    support::ScopedLogCapture quiet;
    hardening::SaveLoop first(mounted->Path());
    ASSERT_TRUE(first.SaveVersion(0) && first.SaveVersion(1));
    ASSERT_TRUE(mounted->Unmount());
  }
  const std::vector<std::uint8_t> base = ReadBytes(data);
  ASSERT_FALSE(base.empty());

  // Saving, with every write logged.
  const fs::path logFile = work.Path() / "log.img";
  {
    const int fd = ::open(logFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kLogBytes)), 0);
    ::close(fd);
  }
  int rounds = 0;
  {
    const auto dataLoop = LoopDevice::Attach(data);
    const auto logLoop = LoopDevice::Attach(logFile);
    ASSERT_TRUE(dataLoop && logLoop);
    auto logged = MappedDevice::Create("kbconfig-power-cut", dataLoop->Sectors(), "log-writes",
                                       DeviceNumberText(dataLoop->Number()) + " " + DeviceNumberText(logLoop->Number()));
    ASSERT_TRUE(logged);
    auto mounted = MountedFileSystem::Mount(logged->Node(), work.Path() / "mnt", "ext4", kSaveOptions);
    ASSERT_TRUE(mounted);
    {
      support::ScopedLogCapture quiet;
      hardening::SaveLoop loop(mounted->Path());
      const auto end = std::chrono::steady_clock::now() + kSavingTime;
      for (; std::chrono::steady_clock::now() < end; ++rounds) ASSERT_TRUE(loop.SaveVersion(rounds % 2));
    }
    ASSERT_TRUE(mounted->Unmount());
    const std::string status = logged->Status();
    EXPECT_EQ(status.find("logging_disabled"), std::string::npos) << "the log ran out of space: " << status;
    ASSERT_TRUE(logged->Remove());  // logs a last mark and the final count
  }

  const MappedFile logBytes(logFile);
  std::string error;
  const auto log = ParseWriteLog(logBytes.Bytes(), error);
  ASSERT_TRUE(log) << error;
  const std::size_t flushes = static_cast<std::size_t>(std::count_if(
      log->entries.begin(), log->entries.end(), [](const LoggedWrite& w) { return w.Has(LoggedWrite::kFlush); }));

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("random seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> anyPoint(1, log->entries.size());
  std::vector<std::size_t> cuts(static_cast<std::size_t>(CutsToTry()));
  for (std::size_t& cut : cuts) cut = anyPoint(random);
  std::sort(cuts.begin(), cuts.end());

  PowerCutImages images(base, *log);
  Tally tally;
  const fs::path image = work.Path() / "cut.img";
  for (const std::size_t cut : cuts) {
    const auto bytes = images.After(cut, random, error);
    ASSERT_TRUE(bytes) << error;
    ASSERT_TRUE(WriteBytes(image, *bytes));
    CheckCut(image, work.Path() / "mnt", cut, versions, tally);
    if (HasFatalFailure()) return;
    ++tally.cuts;
    tally.cachedWritesLost += images.CachedWrites() - images.CachedWritesKept();
  }
  std::printf("power cut: %d rounds of saves in %lld s, %zu writes logged (%zu flushes); %d cuts tried, "
              "%zu unflushed writes lost at them\n",
              rounds, static_cast<long long>(kSavingTime.count()), log->entries.size(), flushes, tally.cuts,
              tally.cachedWritesLost);
  std::printf("power cut: data files found at version 0: %d, at version 1: %d, at neither and kept as .bad: %d\n",
              tally.atVersion[0], tally.atVersion[1], tally.keptAsBad);
  EXPECT_EQ(static_cast<std::size_t>(tally.cuts), cuts.size());
}

}  // namespace
}  // namespace kbtest
