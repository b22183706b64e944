// Measures lighting control from outside the window: an OpenRGB client that sends 60 mode updates
// a second for 10 s to the running main window (emulated keyboard, real clock, real loopback
// connection), as ambient-light tools do.
//
// Prints, for the client's run: the updates sent, the lighting reports the keyboard received and
// the most it received in any one second, the shortest gap between two reports, whether the last
// report carries the last update's state and how long after the last update it came, the file
// saves made, and the window thread's longest stall (the longest gap between the ticks of a 1 ms
// timer on the window thread, minus the millisecond); as a reference, the same measure first while
// nothing happens (what the machine itself takes from the thread). For comparison, changes made
// on the window thread with the pacing the lighting reports had before (a sleep on the window
// thread for the rest of each 100 ms), one change per event as slider moves come.
//
// Usage: outside_control_bench [seconds, default 10] [updates per second, default 60]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include "device/commands/keyboard_commands.h"
#include "hostdrv/vhidev.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "outside/openrgb/byte_writer.h"
#include "outside/openrgb/sdk_protocol.h"
#include "profiles/profile_service.h"
#include "platform/sim/sim_foreground_watcher.h"
#include "platform/sim/sim_key_filter.h"
#include "platform/sim/sim_keyboard.h"
#include "platform/sim/sim_virtual_hid.h"
#include "support/logger.h"
#include "ui/main_window/main_dlg.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/resource_package.h"
#include "ui/toolkit/xml_translator.h"

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;
using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr int kEffect = 9;  // Spectrum cycle: speed and brightness

double Ms(std::chrono::steady_clock::duration duration) {
  return duration_cast<microseconds>(duration).count() / 1000.0;
}

// Speed and brightness of update n: every value of both ranges comes by.
std::uint32_t SpeedOf(int n) { return static_cast<std::uint32_t>(n % 5); }
std::uint32_t BrightnessOf(int n) { return static_cast<std::uint32_t>((n / 5) % 5); }

QByteArray Packet(std::uint32_t id, const std::vector<std::uint8_t>& data) {
  const std::vector<std::uint8_t> packet = openrgb::Packet(0, id, data);
  return QByteArray(reinterpret_cast<const char*>(packet.data()), static_cast<qsizetype>(packet.size()));
}

QByteArray Update(int n) {
  openrgb::ByteWriter data;
  data.U32(0);
  data.I32(kEffect);
  openrgb::ModeDescription mode;
  mode.name = "Spectrum cycle";
  mode.speed = SpeedOf(n);
  mode.brightness = BrightnessOf(n);
  openrgb::WriteMode(data, mode, openrgb::kServerProtocolVersion);
  data.PatchU32(0, static_cast<std::uint32_t>(data.Size()));
  return Packet(openrgb::kUpdateMode, data.Data());
}

// The window thread's longest pause: a 1 ms timer's longest gap between ticks.
class StallMeter {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const SteadyTime now = std::chrono::steady_clock::now();
      if (last_ != SteadyTime{}) longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    longest_ = {};
    last_ = {};
    timer_.start();
  }
  double LongestStallMs() const { return std::max(0.0, Ms(longest_) - 1.0); }

 private:
  QTimer timer_;
  SteadyTime last_{};
  std::chrono::steady_clock::duration longest_{};
};

struct Run {
  std::vector<SteadyTime> sent;
  SteadyTime lastSent{};
};

// The client: its own thread, its own blocking socket, updates at their deadlines.
Run SendUpdates(std::uint16_t port, int seconds, int rate) {
  Run run;
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!socket.waitForConnected(10000)) {
    std::fprintf(stderr, "the client could not connect: %s\n", socket.errorString().toStdString().c_str());
    std::exit(1);
  }
  openrgb::ByteWriter version;
  version.U32(openrgb::kServerProtocolVersion);
  socket.write(Packet(openrgb::kRequestProtocolVersion, version.Data()));
  socket.waitForReadyRead(10000);
  socket.readAll();
  const int updates = seconds * rate;
  const auto period = std::chrono::nanoseconds(1'000'000'000 / rate);
  const SteadyTime start = std::chrono::steady_clock::now();
  for (int n = 0; n < updates; ++n) {
    std::this_thread::sleep_until(start + n * period);
    socket.write(Update(n));
    socket.flush();
    run.sent.push_back(std::chrono::steady_clock::now());
  }
  socket.waitForBytesWritten(10000);
  run.lastSent = run.sent.back();
  socket.disconnectFromHost();
  return run;
}

struct ReportFigures {
  std::size_t count = 0;
  std::size_t mostInOneSecond = 0;
  double shortestGapMs = 0;
  std::vector<std::uint8_t> last;
  SteadyTime lastAt{};
};

// The reports of the effect the client changes (the start-up effect report, which the program
// sends once 2 s after it starts and never paces, is not one of them).
ReportFigures EffectReports(const sim::SimHidSystem& keyboard) {
  ReportFigures figures;
  std::vector<SteadyTime> times;
  for (const sim::ReceivedReport& report : keyboard.Reports()) {
    if (report.kind != sim::ReceivedReport::Kind::kSetFeature || report.bytes[1] != 0xFF ||
        report.bytes[3] != kEffect + 1) {
      continue;
    }
    times.push_back(report.at);
    figures.last = report.bytes;
    figures.lastAt = report.at;
  }
  figures.count = times.size();
  figures.shortestGapMs = 1e9;
  for (std::size_t n = 0; n < times.size(); ++n) {
    if (n > 0) figures.shortestGapMs = std::min(figures.shortestGapMs, Ms(times[n] - times[n - 1]));
    const auto windowEnd = std::upper_bound(times.begin(), times.end(), times[n] + std::chrono::seconds(1) -
                                                                            std::chrono::nanoseconds(1));
    figures.mostInOneSecond = std::max<std::size_t>(figures.mostInOneSecond, windowEnd - (times.begin() + n));
  }
  return figures;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (std::uint8_t value : bytes) {
    std::snprintf(byte, sizeof byte, "%02x ", value);
    text += byte;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int rate = argc > 2 ? std::atoi(argv[2]) : 60;
  if (seconds <= 0 || rate <= 0) {
    std::fprintf(stderr, "usage: outside_control_bench [seconds] [updates per second]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  support::Logger::Instance().ReplaceSink([](std::string_view) {});  // the figures alone

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kb_outside_bench_" + std::to_string(QCoreApplication::applicationPid()));
  std::filesystem::create_directories(folder);
  support::SteadyClock& clock = support::SteadyClock::Instance();
  sim::SimHidSystem keyboard(sim::StandardKeyboard(), clock);
  sim::SimKeyFilterDriver filter;
  sim::SimVirtualHid virtualHid;
  hostdrv::VHidev virtualDevice(virtualHid);
  model::AppConfig config;
  config.selector = {sim::kStandardVendor, sim::kStandardProduct, 1, 2};
  model::MacroLibrary macros;
  model::RecordStore records;
  model::SideModelStore sides;
  model::LedEffectStore effects;
  sides.Load(folder / "sidemodel.xml");
  effects.Load(folder / "ledeffect.xml");
  model::SettingsStore settings;
  settings.Load(folder / "settings.xml");
  profiles::ProfileService profileService(folder,
                                          profiles::ProfileService::Stores{settings, records, effects, sides, macros});
  sim::SimForegroundWatcher foreground;
  ui::ResourcePackage package;
  if (!package.Open(KBCONFIG_UIRES_DIR)) {
    std::fprintf(stderr, "no resources at %s\n", KBCONFIG_UIRES_DIR);
    return 1;
  }
  ui::LayoutLoader loader(package, KBCONFIG_SOURCE_DIR);
  ui::LanguageSwitcher language(package);
  language.Switch("lang_en");
  ui::CMainDlg window(ui::MainDlgServices{
      .hid = keyboard, .filters = filter, .virtualDevice = virtualDevice, .config = config, .effects = effects,
      .sides = sides, .records = records, .macros = macros, .settings = settings,
      .profiles = profileService, .foreground = foreground, .clock = clock, .package = package, .loader = loader,
      .language = language, .instanceName = "kbconfig-bench", .dataFolder = folder, .trayAvailable = false,
      .showMessage = [](QWidget*, const QString&, const QString&, ui::MessageButtons, ui::MessageIcon) { return 1; },
      .askPort = {}, .outsidePort = 0, .outsideSilenceLimit = std::chrono::milliseconds(10000),
      .profilePrompts = {}, .pretendForeground = {}});
  if (!window.Create() || !window.Initialise()) {
    std::fprintf(stderr, "the main window did not start\n");
    return 1;
  }
  window.show();
  if (window.Outside().Enable(0) != outside::ListenResult::kListening) {
    std::fprintf(stderr, "the OpenRGB server did not start\n");
    return 1;
  }
  window.WaitForLightingReports();
  QCoreApplication::processEvents();
  keyboard.ClearReports();

  StallMeter meter;
  meter.Start();
  QElapsedTimer quiet;
  quiet.start();
  while (quiet.elapsed() < seconds * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  std::printf("Nothing happening for %d s (reference)\n", seconds);
  std::printf("  window thread's longest stall     %.1f ms\n", meter.LongestStallMs());
  keyboard.ClearReports();

  std::printf("OpenRGB client: %d updates a second for %d s (effect %d, speed and brightness changing)\n", rate,
              seconds, kEffect);
  meter.Start();
  std::atomic<bool> done{false};
  Run run;
  std::thread client([&] {
    run = SendUpdates(window.Outside().Port(), seconds, rate);
    done = true;
  });
  QElapsedTimer settle;
  while (!done || settle.elapsed() < 500) {
    if (done && !settle.isValid()) settle.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  client.join();
  window.WaitForLightingReports();
  window.WaitForLightingSaves();
  const double stall = meter.LongestStallMs();
  const ReportFigures reports = EffectReports(keyboard);
  const int lastUpdate = seconds * rate - 1;
  const std::vector<std::uint8_t> expected = {0x07, 0xFF, 0xFF, static_cast<std::uint8_t>(kEffect + 1),
                                              static_cast<std::uint8_t>(BrightnessOf(lastUpdate)),
                                              static_cast<std::uint8_t>(SpeedOf(lastUpdate)), 0, 0};
  const lighting::SavePacer::Totals saves = window.LightingRoad().SaveCounts();
  std::printf("  updates sent                      %zu\n", run.sent.size());
  std::printf("  effect reports to the keyboard    %zu (%.1f a second; at most %zu in any one second)\n",
              reports.count, static_cast<double>(reports.count) / seconds, reports.mostInOneSecond);
  std::printf("  shortest gap between reports      %.1f ms\n", reports.shortestGapMs);
  std::printf("  last report                       %s (%s the last update's state)\n", Hex(reports.last).c_str(),
              reports.last == expected ? "holds" : "does NOT hold");
  std::printf("  last report after the last update %.1f ms\n", Ms(reports.lastAt - run.lastSent));
  std::printf("  file saves                        %llu of %llu changes\n",
              static_cast<unsigned long long>(saves.written), static_cast<unsigned long long>(saves.requested));
  std::printf("  window thread's longest stall     %.1f ms\n", stall);

  // Before: the same changes made on the window thread, each report paced by a sleep there. Two
  // seconds of them show it: each takes the window thread 100 ms.
  const int beforeSeconds = std::min(seconds, 2);
  std::printf("The first %d s of the same changes with the former pacing (a sleep on the window thread before "
              "each report)\n", beforeSeconds);
  device::HidDevice hid(keyboard);
  hid.Open(sim::kStandardLightingPath, device::kReadWriteShared);
  device::KeyboardCommands commands(hid, effects, sides, clock);
  keyboard.ClearReports();
  meter.Start();
  int next = 0;
  const int updates = beforeSeconds * rate;
  const auto period = std::chrono::nanoseconds(1'000'000'000 / rate);
  const SteadyTime start = std::chrono::steady_clock::now();
  QTimer change;
  change.setTimerType(Qt::PreciseTimer);
  change.setInterval(0);
  QObject::connect(&change, &QTimer::timeout, [&] {
    // One change per event, once its time has come, as slider moves reach the window.
    if (next < updates && std::chrono::steady_clock::now() >= start + next * period) {
      effects.SetRecord(kEffect, {.brightness = static_cast<std::uint8_t>(BrightnessOf(next)),
                                  .speed = static_cast<std::uint8_t>(SpeedOf(next)), .deriction = 0, .selection = 1});
      commands.SendEffect(kEffect);
      ++next;
    }
  });
  change.start();
  while (next < updates) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  change.stop();
  const ReportFigures before = EffectReports(keyboard);
  std::printf("  effect reports to the keyboard    %zu\n", before.count);
  std::printf("  changes taken in                  %.1f s for %d s of updates\n",
              Ms(std::chrono::steady_clock::now() - start) / 1000.0, beforeSeconds);
  std::printf("  window thread's longest stall     %.1f ms\n", meter.LongestStallMs());

  window.Outside().Disable();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return reports.last == expected ? 0 : 1;
}
