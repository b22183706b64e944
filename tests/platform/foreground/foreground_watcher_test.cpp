// The watcher of the program in front on the real window system (Windows under Wine; X11 under
// Xvfb with a window manager): two small programs and a window of this test come to the front in
// turn and each is named; a window whose program cannot be told leaves the last program in force
// and is logged once; a subscription that went is not called again.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "foreground_programs/program_windows.h"
#include "foreground_programs/reported_programs.h"
#include "support/logger.h"
#include "support/text.h"
#include "../../common/wait_for.h"
#include "untellable_program.h"

namespace {

using fgtest::ProgramWindows;
using fgtest::ReportedPrograms;
using fgtest::SameExecutable;
using platform::ForegroundProgram;

std::wstring ClassOfProgram(const std::string& name) { return L"kbconfig foreground program " + support::Utf8ToWide(name); }

std::string Describe(const std::vector<ForegroundProgram>& programs) {
  std::ostringstream text;
  text << programs.size() << " reported:";
  for (const ForegroundProgram& program : programs) {
    text << " {" << support::WideToUtf8(program.executablePath) << ", " << support::WideToUtf8(program.windowClass)
         << (program.isThisProgram ? ", this program}" : "}");
  }
  return text.str();
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(ForegroundWatcher, NamesTheProgramOfEachWindowBroughtToTheFront) {
  platform::ForegroundWatcher& watcher = platform::SystemForegroundWatcher();
  ASSERT_TRUE(watcher.Available());
  ProgramWindows windows;
  std::string error;
  const std::optional<fgtest::ThreeWindows> three = windows.StartThreeWindows(error);
  ASSERT_TRUE(three) << error;
  const int a = three->a, b = three->b, own = three->own;

  ReportedPrograms reported;
  std::unique_ptr<platform::Subscription> subscription = watcher.Watch(reported.Callback());
  struct Case {
    int window;
    std::wstring windowClass;
    bool isThisProgram;
  };
  const Case cases[] = {
      {a, ClassOfProgram("foreground_program_a"), false},
      {b, ClassOfProgram("foreground_program_b"), false},
      {own, L"kbconfig own test window", true},
      {a, ClassOfProgram("foreground_program_a"), false},
  };
  for (const Case& step : cases) {
    reported.Clear();
    ASSERT_TRUE(windows.BringToFront(step.window));
    EXPECT_TRUE(reported.WaitFor([&](const ForegroundProgram& program) {
      return SameExecutable(program, windows.Executable(step.window)) && program.windowClass == step.windowClass &&
             program.isThisProgram == step.isThisProgram;
    })) << "window " << step.window << ": " << Describe(reported.Distinct());
  }

  // Gone: a second subscription hears of the next change, the first one nothing.
  subscription.reset();
  reported.Clear();
  ReportedPrograms second;
  std::unique_ptr<platform::Subscription> secondSubscription = watcher.Watch(second.Callback());
  ASSERT_TRUE(windows.BringToFront(b));
  EXPECT_TRUE(second.WaitFor([&](const ForegroundProgram& program) { return SameExecutable(program, windows.Executable(b)); }));
  EXPECT_TRUE(reported.Distinct().empty()) << Describe(reported.Distinct());
}

TEST(ForegroundWatcher, AWindowWhoseProgramCannotBeToldLeavesTheLastProgramAndIsLoggedOnce) {
  ProgramWindows windows;
  std::string error;
  const fgtest::UntellableProgram untellable = fgtest::StartUntellableProgram(windows, error);
  ASSERT_GE(untellable.index, 0) << error;
  const int a = windows.Start("foreground_program_a", {}, error);
  ASSERT_GE(a, 0) << error;
  const int own = windows.StartOwnWindow(error);
  ASSERT_GE(own, 0) << error;

  support::ScopedLogCapture log;
  ReportedPrograms reported;
  std::unique_ptr<platform::Subscription> subscription = untellable.watcher->Watch(reported.Callback());
  const auto isA = [&](const ForegroundProgram& program) { return SameExecutable(program, windows.Executable(a)); };
  ASSERT_TRUE(windows.BringToFront(a));
  ASSERT_TRUE(reported.WaitFor(isA));
  reported.Clear();
  // Untold, a, untold again, then this test's window. Each step waits for what shows that the
  // watcher is past it (the log line, a report), so none is skipped by a watcher that looks late.
  ASSERT_TRUE(windows.BringToFront(untellable.index));
  ASSERT_TRUE(testsupport::WaitFor([&] { return Count(log.Text(), "cannot be told") > 0; })) << log.Text();
  ASSERT_TRUE(windows.BringToFront(a));
  ASSERT_TRUE(reported.WaitFor(isA)) << Describe(reported.Distinct());
  ASSERT_TRUE(windows.BringToFront(untellable.index));
  ASSERT_TRUE(windows.BringToFront(own));
  ASSERT_TRUE(reported.WaitFor([](const ForegroundProgram& program) { return program.isThisProgram; }))
      << Describe(reported.Distinct());
  const std::vector<ForegroundProgram> distinct = reported.Distinct();
  ASSERT_EQ(distinct.size(), 2u) << Describe(distinct);
  EXPECT_TRUE(SameExecutable(distinct[0], windows.Executable(a)));
  EXPECT_TRUE(distinct[1].isThisProgram);
  EXPECT_EQ(Count(log.Text(), "cannot be told"), 1u) << log.Text();
}

}  // namespace
