// How long switching by the program in front takes: from the moment a program is brought to the
// front to (1) its profile's capture table in force at the key filter and (2) the profile's first
// lighting report at the keyboard, through the real main window on emulated devices with the
// window system's own watcher: X11 with a window manager (as tools/with-window-manager.sh gives),
// or Windows (Wine). Two small programs (tests/foreground_programs) take turns in front, each
// linked to a profile of its own.
//
// Each switch starts when the program is asked to come to the front (X11: a _NET_ACTIVE_WINDOW
// request to the window manager, as a taskbar sends; Windows: the program is told to call
// SetForegroundWindow, so the figure includes its reading of that command). The capture table
// and the report are looked at each time the window thread has handled its events (on Windows
// also every millisecond: under Wine nothing wakes the window thread's wait when they change), so
// each figure is an upper bound by at most one event's work (or one millisecond). Lighting reports
// are paced 100 ms apart: each switch here waits until the last one's reports are out, and the
// emulated keyboard's clock is moved on by a second before each, so the pacing adds nothing.
//
// Usage: foreground_switch_bench [switches, default 200]
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foreground_programs/program_windows.h"
#include "main_window_rig.h"
#include "support/logger.h"
#include "support/path_text.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSwitchLimit = std::chrono::seconds(5);

std::string RecordFile(const char* code) {
  return std::string("<?xml version=\"1.0\"?>\n<record code=\"") + code +
         "\" play=\"1\" type=\"1\" repeat=\"1\" name=\"K\" group=\"Z\">\n"
         "\t<item code=\"7001d\" state=\"0\" delay=\"0\" name=\"\" />\n</record>\n";
}

std::string EffectFile(int selected) {
  std::string file = "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(selected) + "\">\n";
  for (int i = 0; i < 20; ++i) file += "\t<item speed=\"2\" brightness=\"3\" deriction=\"0\" selection=\"1\" />\n";
  return file + "</effect>\n";
}

// The first key of a capture table, as page << 16 | usage.
std::uint32_t FirstCapturedKey(const std::vector<std::uint8_t>& table) {
  if (table.size() < 4) return 0;
  return static_cast<std::uint32_t>(table[2]) << 16 | static_cast<std::uint32_t>(table[1]) << 8 | table[0];
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())));
  return values[at];
}

void Print(const char* what, const std::vector<double>& milliseconds) {
  std::printf("  %-36s p50 %7.2f ms   p99 %7.2f ms   max %7.2f ms   (%zu switches)\n", what,
              Percentile(milliseconds, 0.50), Percentile(milliseconds, 0.99), Percentile(milliseconds, 1.0),
              milliseconds.size());
}

}  // namespace

int main(int argc, char** argv) {
  const long switches = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  if (switches <= 0) {
    std::fprintf(stderr, "usage: foreground_switch_bench [switches]\n");
    return 2;
  }
  const support::ScopedLogCapture quiet;  // the window's start-up lines
  platform::ForegroundWatcher& watcher = platform::SystemForegroundWatcher();
  if (!watcher.Available()) {
    std::fprintf(stderr, "foreground_switch_bench: the program in front cannot be told here (no X display, Wayland, or no hook)\n");
    return 1;
  }

  uitest::MainWindowRig rig;
  rig.WriteFile("record.xml", RecordFile("70004"));
  for (const char* profile : {"A", "B"}) std::filesystem::create_directories(rig.folder / "profiles" / profile);
  rig.WriteFile("profiles/A/record.xml", RecordFile("70005"));
  rig.WriteFile("profiles/A/ledeffect.xml", EffectFile(5));
  rig.WriteFile("profiles/B/record.xml", RecordFile("70006"));
  rig.WriteFile("profiles/B/ledeffect.xml", EffectFile(9));
  rig.foregroundInUse = &watcher;
  rig.LoadDataFiles();
  if (!rig.Start()) {
    std::fprintf(stderr, "foreground_switch_bench: the main window did not start\n");
    return 1;
  }

  fgtest::ProgramWindows windows;
  std::string error;
  const int programs[] = {windows.Start("foreground_program_a", {}, error), windows.Start("foreground_program_b", {}, error)};
  if (programs[0] < 0 || programs[1] < 0) {
    std::fprintf(stderr, "foreground_switch_bench: %s\n", error.c_str());
    return 1;
  }
  rig.settings.Change([&](model::Settings& settings) {
    settings.switchByProgram = true;
    settings.rules = {{L"A", model::ProgramMatch::kName, L"foreground_program_a"},
                      {L"B", model::ProgramMatch::kName, L"foreground_program_b"}};
  });
  rig.window->Switcher().Refresh();
  const std::uint32_t capturedKey[] = {0x70005, 0x70006};

  // Wakes the window thread's wait should a switch never come; on Windows (Wine) every millisecond,
  // as nothing else wakes that wait there when the capture table or the report changes.
  QTimer tick;
#ifdef _WIN32
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(1);
#else
  tick.setSingleShot(true);
  tick.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(kSwitchLimit));
#endif
  std::vector<double> toCapture;
  std::vector<double> toReport;
  int missed = 0;
  for (long i = -2; i < switches; ++i) {  // two switches to warm up, not counted
    const int which = static_cast<int>((i + 2) % 2);
    rig.keyboard.ClearReports();
    rig.clock.Advance(std::chrono::seconds(1));
    const Clock::time_point asked = Clock::now();
    if (!windows.BringToFront(programs[which])) {
      std::fprintf(stderr, "foreground_switch_bench: program %d did not come to the front\n", which);
      return 1;
    }
    std::optional<Clock::time_point> captured;
    std::optional<Clock::time_point> reported;
    tick.start();
    while ((!captured || !reported) && Clock::now() - asked < kSwitchLimit) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      const Clock::time_point now = Clock::now();
      if (!captured && FirstCapturedKey(rig.filter.CaptureTable()) == capturedKey[which]) captured = now;
      if (!reported && !rig.EffectReportTexts().empty()) reported = now;
    }
    // The next switch waits for this one's side-light report, so that its own reports are not held
    // back by this one's pacing.
    rig.window->WaitForLightingReports();
    tick.stop();
    if (!captured || !reported) {
      ++missed;
      continue;
    }
    if (i < 0) continue;
    toCapture.push_back(std::chrono::duration<double, std::milli>(*captured - asked).count());
    toReport.push_back(std::chrono::duration<double, std::milli>(*reported - asked).count());
  }

  std::printf("switching by the program in front, %ld switches between two programs:\n", switches);
  Print("to the capture table in force", toCapture);
  Print("to the first lighting report sent", toReport);
  if (missed > 0) std::printf("  %d switches did not arrive within %lld s\n", missed, static_cast<long long>(kSwitchLimit.count()));
  return missed > 0 ? 1 : 0;
}
