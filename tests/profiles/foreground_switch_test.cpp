#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/sim/sim_foreground_watcher.h"
#include "profiles/foreground_switcher.h"
#include "model/settings/settings_file.h"
#include "profiles/program_rules.h"
#include "tests/profiles/profile_world.h"

namespace {

using model::ProgramMatch;
using platform::ForegroundProgram;
using profiles::ProfileResult;

ForegroundProgram Program(std::wstring path, std::wstring windowClass = L"", bool self = false) {
  return ForegroundProgram{std::move(path), std::move(windowClass), self};
}

TEST(ProgramRulesTest, RulesNameProgramsByNamePathFolderOrWindowClass) {
  const ForegroundProgram game = Program(L"C:\\Games\\Space\\bin\\Space.EXE");
  const ForegroundProgram editor = Program(L"/usr/bin/gedit", L"Gedit");
  const struct {
    ProgramMatch match;
    std::wstring value;
    const ForegroundProgram& program;
    bool matches;
  } cases[] = {
      {ProgramMatch::kName, L"space.exe", game, true},
      {ProgramMatch::kName, L"space", game, true},  // without its extension
      {ProgramMatch::kName, L"bin", game, false},
      {ProgramMatch::kName, L"gedit", editor, true},
      {ProgramMatch::kPath, L"c:/games/space/bin/space.exe", game, true},
      {ProgramMatch::kPath, L"C:\\Games\\Space", game, false},
      {ProgramMatch::kFolder, L"C:\\Games\\Space", game, true},  // the launcher's folder holds the game
      {ProgramMatch::kFolder, L"C:\\Games\\Space\\", game, true},
      {ProgramMatch::kFolder, L"C:\\Games\\Spa", game, false},
      {ProgramMatch::kFolder, L"/usr", editor, true},
      {ProgramMatch::kWindowClass, L"gedit", editor, true},
      {ProgramMatch::kWindowClass, L"gedit", Program(L"/usr/bin/gedit"), false},  // no class told
      {ProgramMatch::kName, L"", game, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(profiles::RuleMatches({L"P", c.match, c.value}, c.program), c.matches)
        << model::ProgramMatchText(c.match) << " " << std::string(c.value.begin(), c.value.end());
  }
}

// The emulated watcher in front of a world whose profile service runs on the test's thread: what
// the watcher hands over waits in `posted` until Deliver() runs it, as the window's queue would.
class ForegroundSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(world_.service->Add(L"Game", false), ProfileResult::kDone);
    ASSERT_EQ(world_.service->Add(L"Office", false), ProfileResult::kDone);
    world_.settings.Change([](model::Settings& settings) {
      settings.switchByProgram = true;
      settings.defaultProfile = L"Office";
      settings.rules = {{L"Game", ProgramMatch::kFolder, L"C:\\Games"}, {L"", ProgramMatch::kWindowClass, L"Code"}};
    });
    switcher_ = std::make_unique<profiles::ForegroundSwitcher>(
        *world_.service, world_.settings, watcher_, [this](std::function<void()> work) { posted_.push_back(work); });
  }

  void Front(const ForegroundProgram& program) {
    watcher_.BringToFront(program);
    Deliver();
  }
  void Deliver() {
    for (std::vector<std::function<void()>> work = std::move(posted_); auto& job : work) job();
  }

  profilestest::ProfileWorld world_;
  sim::SimForegroundWatcher watcher_;
  std::vector<std::function<void()>> posted_;
  std::unique_ptr<profiles::ForegroundSwitcher> switcher_;
};

TEST_F(ForegroundSwitchTest, TheProgramInFrontBringsItsProfileAndOthersTheDefault) {
  switcher_->Refresh();
  ASSERT_TRUE(switcher_->Watching());
  Front(Program(L"C:\\Games\\Launcher\\start.exe"));
  EXPECT_EQ(world_.service->Active(), L"Game");
  Front(Program(L"/usr/share/code/code", L"Code"));
  EXPECT_EQ(world_.service->Active(), L"");
  Front(Program(L"/usr/bin/xterm", L"XTerm"));
  EXPECT_EQ(world_.service->Active(), L"Office");
  // This program in front changes nothing; a profile picked by hand stays while the same program
  // is reported again, and coming back from this program brings the program's profile again.
  Front(Program(L"/opt/kbconfig/kbconfig", L"kbconfig", true));
  EXPECT_EQ(world_.service->Active(), L"Office");
  world_.service->Switch(L"Game");
  Front(Program(L"/opt/kbconfig/kbconfig", L"kbconfig", true));
  EXPECT_EQ(world_.service->Active(), L"Game");
  Front(Program(L"/usr/bin/xterm", L"XTerm"));
  EXPECT_EQ(world_.service->Active(), L"Office");
  EXPECT_EQ(switcher_->LastOtherProgram(), Program(L"/usr/bin/xterm", L"XTerm"));
}

TEST_F(ForegroundSwitchTest, ABurstOfFocusChangesEndsInOneSwitchToTheLastProgramsProfile) {
  switcher_->Refresh();
  world_.listener.switched.clear();
  watcher_.BringToFront(Program(L"C:\\Games\\a.exe"));
  watcher_.BringToFront(Program(L"/usr/bin/xterm"));
  watcher_.BringToFront(Program(L"C:\\Games\\b.exe"));
  EXPECT_EQ(posted_.size(), 1u);
  Deliver();
  EXPECT_EQ(world_.listener.switched, std::vector<std::wstring>{L"Game"});
}

TEST_F(ForegroundSwitchTest, NothingIsWatchedWhileSwitchingIsOffOrTheProgramInFrontCannotBeTold) {
  world_.settings.Change([](model::Settings& settings) { settings.switchByProgram = false; });
  switcher_->Refresh();
  EXPECT_FALSE(switcher_->Watching());
  EXPECT_EQ(watcher_.Subscribers(), 0);
  world_.settings.Change([](model::Settings& settings) { settings.switchByProgram = true; });
  watcher_.SetUnavailable(platform::ForegroundUnavailable::kNoWindowSystem);
  switcher_->Refresh();
  EXPECT_FALSE(switcher_->Watching());
  watcher_.SetUnavailable(platform::ForegroundUnavailable::kNone);
  switcher_->Refresh();
  EXPECT_EQ(watcher_.Subscribers(), 1);
  // A rule naming a profile that is gone brings the first profile.
  world_.settings.Change([](model::Settings& settings) { settings.defaultProfile = L"Gone"; });
  world_.service->Switch(L"Game");
  Front(Program(L"/usr/bin/xterm"));
  EXPECT_EQ(world_.service->Active(), L"");
}

}  // namespace
