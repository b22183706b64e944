// Kills a process with SIGKILL while it saves the data files in a loop, many times over: every file
// must afterwards be exactly one of the two versions being saved, never a torn mixture, and no
// file may have been found unreadable (no .bad copy), and the temporary files of interrupted saves
// do not pile up.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "support/atomic_file.h"
#include "support/logger.h"
#include "tests/hardening/save_loop_content.h"

extern char** environ;

namespace {

constexpr int kKills = 50;

class Folder {
 public:
  explicit Folder(const std::string& tag) {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("kb-kill-" + tag + "-" + std::to_string(seed()) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::map<std::string, std::array<std::string, 2>> KnownVersions() {
  Folder reference("reference");
  return hardening::SavedVersions(reference.Path());
}

pid_t StartSaveLoop(const std::filesystem::path& folder) {
  std::string program = KB_SAVE_LOOP_PATH;
  std::string argument = folder.string();
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ);
  EXPECT_EQ(error, 0) << "posix_spawn " << program;
  return error == 0 ? pid : -1;
}

bool WaitForFile(const std::filesystem::path& file) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(file)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(KillDuringSave, EveryDataFileIsTheOldOrTheNewVersionAfterEachKill) {
  const auto known = KnownVersions();
  ASSERT_EQ(known.size(), hardening::kDataFiles.size()) << "a save of the reference versions failed";
  for (const auto& [name, versions] : known) {
    ASSERT_FALSE(versions[0].empty()) << name;
    ASSERT_NE(versions[0], versions[1]) << name;
  }

  Folder folder("data");
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> killAfterUs(0, 60000);
  SCOPED_TRACE("random seed " + std::to_string(seed));

  std::array<int, 2> filesSeenPerVersion{};
  for (int kill = 0; kill < kKills; ++kill) {
    const pid_t pid = StartSaveLoop(folder.Path());
    ASSERT_GT(pid, 0);
    // The first run creates the files (saving more often than later rounds): kill only after it.
    if (kill == 0) {
      ASSERT_TRUE(WaitForFile(folder.Path() / "ready"));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs(random)));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the save loop ended by itself (a save failed?) at kill " << kill;

    for (const auto& [name, versions] : known) {
      const auto bytes = support::ReadWholeFile(folder.Path() / name);
      ASSERT_TRUE(bytes.has_value()) << name << " missing after kill " << kill;
      const bool old = *bytes == versions[0];
      const bool fresh = *bytes == versions[1];
      ASSERT_TRUE(old || fresh) << name << " is torn after kill " << kill << " (" << bytes->size() << " bytes)";
      ++filesSeenPerVersion[fresh ? 1 : 0];
    }
  }
  int cutShort = 0;  // temporary files of data-file saves a kill interrupted
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".bad"), std::string::npos) << entry.path();
    for (const char* dataFile : hardening::kDataFiles) {
      if (name.rfind(std::string(dataFile) + ".tmp-", 0) == 0) ++cutShort;
    }
  }
  // Each start removes what the kill before it left: only the last kill's save can be left over
  // (the helper's own "ready" file is no data file and is not cleaned).
  std::printf("temporary files of data files left after %d kills: %d\n", kKills, cutShort);
  EXPECT_LE(cutShort, 1);
  // Both versions were caught on disk, so the kills did land while the loop was saving.
  std::printf("files found at version 0: %d, at version 1: %d\n", filesSeenPerVersion[0], filesSeenPerVersion[1]);
  EXPECT_GT(filesSeenPerVersion[0], 0);
  EXPECT_GT(filesSeenPerVersion[1], 0);
}

}  // namespace
