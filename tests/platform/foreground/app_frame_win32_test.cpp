// A UWP app in front is a frame of ApplicationFrameHost.exe holding the app's window, of the app's
// own process: the watcher names the app inside, also when the app's window goes into the frame
// only after the frame came to the front (an app starting, or coming back from being minimised).
// A stand-in program named ApplicationFrameHost.exe plays the host.
#include <gtest/gtest.h>

#include "foreground_programs/program_windows.h"
#include "foreground_programs/reported_programs.h"
#include "platform/win32/window_program.h"

namespace {

using fgtest::ProgramWindows;
using fgtest::ReportedPrograms;
using fgtest::SameExecutable;
using platform::ForegroundProgram;

TEST(ForegroundWatcherWindows, NamesTheAppInsideAUwpFrameNeverItsHost) {
  ProgramWindows windows;
  std::string error;
  const int frame = windows.Start("ApplicationFrameHost", {}, error);
  ASSERT_GE(frame, 0) << error;
  const int laterFrame = windows.Start("ApplicationFrameHost", {}, error);
  ASSERT_GE(laterFrame, 0) << error;
  const int app = windows.Start("foreground_program_a", {}, error);
  ASSERT_GE(app, 0) << error;
  const int laterApp = windows.Start("foreground_program_b", {}, error);
  ASSERT_GE(laterApp, 0) << error;

  ReportedPrograms reported;
  std::unique_ptr<platform::Subscription> subscription = platform::SystemForegroundWatcher().Watch(reported.Callback());
  // The app's window is in its frame already.
  ASSERT_TRUE(windows.MoveInto(app, windows.Window(frame)));
  ASSERT_TRUE(windows.BringToFront(frame));
  EXPECT_TRUE(reported.WaitFor([&](const ForegroundProgram& program) {
    return SameExecutable(program, windows.Executable(app)) &&
           program.windowClass == L"kbconfig foreground program foreground_program_a";
  }));
  // The frame first, its app's window a moment later.
  ASSERT_TRUE(windows.BringToFront(laterFrame));
  ASSERT_TRUE(windows.MoveInto(laterApp, windows.Window(laterFrame)));
  EXPECT_TRUE(reported.WaitFor(
      [&](const ForegroundProgram& program) { return SameExecutable(program, windows.Executable(laterApp)); }));
  for (const ForegroundProgram& program : reported.Distinct()) {
    EXPECT_FALSE(platform::win32::IsAppFrameHost(program.executablePath));
  }
}

TEST(ForegroundWatcherWindows, TellsTheUwpFrameHostByItsFileNameOnly) {
  struct Case {
    const wchar_t* path;
    bool host;
  };
  const Case cases[] = {
      {L"C:\\Windows\\System32\\ApplicationFrameHost.exe", true},
      {L"c:\\windows\\system32\\APPLICATIONFRAMEHOST.EXE", true},
      {L"ApplicationFrameHost.exe", true},
      {L"C:\\Games\\NotApplicationFrameHost.exe", false},
      {L"C:\\Windows\\System32\\ApplicationFrameHost.exe.bak", false},
      {L"", false},
  };
  for (const Case& step : cases) EXPECT_EQ(platform::win32::IsAppFrameHost(step.path), step.host) << step.path;
}

}  // namespace
