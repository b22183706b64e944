// Switching by the program in front through the real main window on emulated devices, with the
// window system's own watcher (Windows under Wine; X11 under Xvfb with a window manager): two
// small programs come to the front in turn, each brings the profile linked to it, whose capture
// table the filter gets and whose lighting the keyboard gets; a window of this program brings no
// change.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../common/wait_for.h"
#include "foreground_programs/program_windows.h"
#include "main_window_rig.h"
#include "profiles/foreground_switcher.h"
#include "support/path_text.h"
#include "support/text.h"

namespace uitest {
namespace {

struct SwitchLog : profiles::ProfileListener {
  void OnProfileSwitched(const std::wstring& id) override { switched.push_back(id); }
  void OnProfilesChanged() override {}
  std::vector<std::wstring> switched;
};

TEST(ForegroundSwitching, EachProgramInFrontBringsItsProfileToTheFilterAndTheKeyboard) {
  MainWindowRig rig;
  rig.WriteFile("record.xml", OneKeyRecordFile("70004", "A", "Z", "7001d"));
  rig.WriteFile("profiles/Game/record.xml", OneKeyRecordFile("70005", "B", "Z", "7001d"));
  rig.WriteFile("profiles/Game/ledeffect.xml", UniformEffectFile(5));
  rig.WriteFile("profiles/Work/record.xml", OneKeyRecordFile("70006", "C", "Z", "7001d"));
  rig.WriteFile("profiles/Work/ledeffect.xml", UniformEffectFile(9));
  rig.foregroundInUse = &platform::SystemForegroundWatcher();
  ASSERT_TRUE(rig.foregroundInUse->Available());
  ASSERT_TRUE(rig.LoadAndStart());
  SwitchLog switches;
  rig.profiles->AddListener(&switches);

  fgtest::ProgramWindows windows;
  std::string error;
  const std::optional<fgtest::ThreeWindows> three = windows.StartThreeWindows(error);
  ASSERT_TRUE(three) << error;
  const int a = three->a, b = three->b, own = three->own;
  // The window manager may put each new window in front as it maps it: this program's own window
  // goes in front before the rules exist, so that the first switch is the first step's.
  ASSERT_TRUE(windows.BringToFront(own));
  // Program a by its name, program b by its full path.
  ASSERT_TRUE(rig.settings.Change([&](model::Settings& settings) {
    settings.switchByProgram = true;
    settings.rules = {{L"Game", model::ProgramMatch::kName, L"foreground_program_a"},
                      {L"Work", model::ProgramMatch::kPath, support::PathToWide(windows.Executable(b))}};
  }));
  rig.window->Switcher().Refresh();
  ASSERT_TRUE(rig.window->Switcher().Watching());

  struct Step {
    int window;
    std::wstring profile;
    std::string captured;      // the capture table's one entry
    std::string effectReport;  // the first lighting report of the switch
  };
  const Step steps[] = {
      {a, L"Game", "05 00 07 02", "07 ff ff 06 03 02 00 00"},
      {b, L"Work", "06 00 07 02", "07 ff ff 0a 03 02 00 00"},
      {a, L"Game", "05 00 07 02", "07 ff ff 06 03 02 00 00"},
  };
  for (const Step& step : steps) {
    rig.keyboard.ClearReports();
    ASSERT_TRUE(windows.BringToFront(step.window));
    EXPECT_TRUE(testsupport::WaitFor([&] {
      MainWindowRig::ProcessEvents();
      return rig.profiles->Active() == step.profile &&
             CaptureEntries(rig.filter.CaptureTable()) == std::vector<std::string>{step.captured} &&
             !rig.EffectReportTexts().empty();
    })) << "window " << step.window << ": active \"" << support::WideToUtf8(rig.profiles->Active()) << "\"";
    ASSERT_FALSE(rig.EffectReportTexts().empty());
    EXPECT_EQ(rig.EffectReportTexts().front(), step.effectReport);

    // This program's own window in front changes nothing: the next program's profile follows the
    // last one's directly.
    ASSERT_TRUE(windows.BringToFront(own));
  }
  const std::vector<std::wstring> expected = {L"Game", L"Work", L"Game"};
  EXPECT_EQ(switches.switched, expected);
  rig.profiles->RemoveListener(&switches);
}

}  // namespace
}  // namespace uitest
