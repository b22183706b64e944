// The whole program against a kernel HID keyboard, inside the host-root guest (see run-guest.sh
// and guest-scenarios.sh): `kbconfig` on Linux, or the installed `kbconfig.exe` under Wine. The
// keyboard is emulated through uhid as such keyboards are built (emulated_keyboard.h); the
// program finds it with config.xml's selector, and the tests watch what reaches the keyboard and
// what the program types on the virtual device, as the kernel sees it.
//
// The tests run in order against one run of the program: start-up traffic, remapped keys (Linux),
// factory restore with the keyboard leaving and coming back, and last the removal that ends it.
//
// Usage: guest_program_tests [gtest flags] --kind linux|windows --data <program's data folder>
//          [--config <config.xml the program reads>] --results <folder for logs>
//          [--loader <wine loader> --listing <hid_listing.exe> [--key-sink <window_probe.exe>]]
//          -- <program command...>
// --config: where the program reads config.xml (default: in the data folder); the installed
// Windows program keeps its data files in the user's folder, its config.xml in the program folder.
// --key-sink: the X server reads the keyboard (Xorg with libinput); the Windows program's keys are
// then checked in a Windows window of window_probe's.
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../kernel/event_node_reader.h"
#include "child_process.h"
#include "device/commands/keyboard_reports.h"
#include "emulated_keyboard.h"
#include "platform/linux/keyboard_event_nodes.h"
#include "platform/linux/linux_virtual_hid.h"
#include "stored_settings.h"
#include "x_windows.h"

namespace kbtest {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Options {
  bool windows = false;
  std::filesystem::path data;
  std::filesystem::path config;
  std::filesystem::path results;
  std::string loader;
  std::string listing;
  std::string keySink;  // window_probe.exe, when the X server takes the keyboard's keys (Xorg, libinput)
  std::vector<std::string> command;
};

Options& Opt() {
  static Options options;
  return options;
}

// Under TCG everything is slow, Wine the most: a first window can take minutes.
constexpr auto kStartLimit = 600s;
constexpr auto kStepLimit = 120s;
constexpr char kMainTitle[] = "Keyboard Configuration";
constexpr char kVirtualName[] = "kbconfig virtual HID";
constexpr char kPassThroughName[] = "kbconfig key filter pass-through";
// Where the layouts put the factory-restore button (main.ui) and the message box's OK button
// (msgbox.ui: 46 px above the box's bottom edge, which moves down with a long text).
constexpr int kRestoreX = 656 + 157, kRestoreY = 596 + 15;
constexpr int kOkX = 206 + 48, kOkFromBottom = 46 - 15;

const std::vector<std::uint8_t> kVersionAnswer = {0x07, 0x01, 0x23, 0, 0, 0, 0, 0};

Bytes ToBytes(const device::ReportBytes& report) { return Bytes(report.begin(), report.end()); }

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02x ", b);
    text += part;
  }
  return text;
}

// A Unix path as Wine's Z: drive names it.
std::string WinePath(const std::filesystem::path& path) {
  std::string text = "Z:" + path.string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

class WholeProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    keyboard_ = new EmulatedKeyboard(kVersionAnswer);
    settings_ = StoreSettings(Opt().data);
    ASSERT_TRUE(keyboard_->Plug());
    if (Opt().windows) {
      ShowWhatWineLists();
      keyboard_->Lighting().ClearReports();  // the listing's own version query
    }
    program_ = new ChildProcess(Opt().command, {}, (Opt().results / "program.log").string());
    ASSERT_TRUE(program_->Started());
  }

  static void TearDownTestSuite() {
    delete program_;
    program_ = nullptr;
    delete keyboard_;
    keyboard_ = nullptr;
  }

  // The HID listing tool under Wine: what Wine lists, what the program's backend makes of it,
  // and the version query through the selector's match. Waits until Wine has the keyboard.
  static std::string WineListing() {
    ChildProcess listing({Opt().loader, Opt().listing, WinePath(Opt().config)}, {},
                         (Opt().results / "hid-listing.log").string());
    listing.WaitForExit(kStepLimit);
    return listing.Log();
  }

  static void ShowWhatWineLists() {
    // Wine names the keyboard's interfaces by their number, read from the kernel's phys
    // ("/input1"), and makes one device of each interface: no "&colNN" of its own. The backend
    // names the interface's collections as Windows does; the selector takes col02.
    const std::vector<std::string> expected = {
        "wine lists: \\\\?\\hid#vid_1a2b&pid_0c3d&mi_01#",
        "selector finds: \\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col02#",
        "usage ff00:0001",
        "version read: 07 01 23 00 00 00 00 00",
    };
    // One listing may be taken while Wine has announced only some of the interfaces: list again
    // until one listing shows everything, or give up and say what was missing.
    const auto missing = [&](const std::string& output) {
      std::vector<std::string> absent;
      for (const std::string& line : expected) {
        if (output.find(line) == std::string::npos) absent.push_back(line);
      }
      return absent;
    };
    std::string output = WineListing();
    for (int attempt = 1; attempt < 60 && !missing(output).empty(); ++attempt) output = WineListing();
    std::printf("%s", output.c_str());
    for (const std::string& line : missing(output)) ADD_FAILURE() << "the listing lacks \"" << line << "\"";
  }

  static std::vector<ReceivedReport> Features() { return keyboard_->Lighting().FeatureLog(); }

  // Under Wine keys come from X: the keyboard's keys reach X through libinput, Wine's keyboard hook
  // (the program's, without drivers) takes the assigned ones and types their replacement, and a
  // Windows window in front gets what a user would see.
  static void ThroughXToAWindowsWindow() {
    if (Opt().keySink.empty()) {
      GTEST_SKIP() << "the X server does not read the kernel keyboard in this run (Xorg with libinput not "
                      "installed, or KBCONFIG_GUEST_KEYS_THROUGH_X=0): under Wine keys reach the program only through X";
    }
    ChildProcess sink({Opt().loader, Opt().keySink, "key-sink", "kbconfig key sink", "600"}, {},
                      (Opt().results / "key-sink.log").string());
    ASSERT_TRUE(sink.WaitForLog("ready", kStepLimit)) << sink.Log();
    const auto window = WaitForWindow("kbconfig key sink", kStepLimit);
    ASSERT_TRUE(window) << DescribeDisplay((Opt().results / "no-key-sink.png").string());
    ASSERT_TRUE(RunCommand({"xdotool", "windowfocus", "--sync", window->id}));
    std::size_t seen = sink.Log().size();
    // A (assigned to B): B down and up, no A.
    ASSERT_TRUE(keyboard_->SendKeys(0, {kUsageA}));
    ASSERT_TRUE(keyboard_->SendKeys(0, {}));
    const auto bUp = sink.WaitForLog("up 42", kStepLimit, seen);
    ASSERT_TRUE(bUp) << sink.Log() << program_->Log();
    EXPECT_NE(sink.Log().substr(seen, *bUp - seen).find("down 42"), std::string::npos) << sink.Log();
    // D (not assigned) passes; by then no A has come.
    ASSERT_TRUE(keyboard_->SendKeys(0, {kUsageD}));
    ASSERT_TRUE(keyboard_->SendKeys(0, {}));
    ASSERT_TRUE(sink.WaitForLog("up 44", kStepLimit, *bUp)) << sink.Log();
    EXPECT_EQ(sink.Log().find(" 41\n", seen), std::string::npos) << "A reached the window:\n" << sink.Log();
    sink.Stop();
  }

  static inline EmulatedKeyboard* keyboard_ = nullptr;
  static inline ChildProcess* program_ = nullptr;
  static inline StoredSettings settings_{};
};

TEST_F(WholeProgram, StartUpAnswersTheVersionAndSendsTheStoredLightingPaced) {
  ASSERT_TRUE(keyboard_->Lighting().WaitForFeatureReports(4, std::chrono::milliseconds(kStartLimit).count()))
      << program_->Log();
  const std::vector<ReceivedReport> reports = Features();
  EXPECT_EQ(reports[0].bytes, ToBytes(device::VersionQuery()));
  EXPECT_GE(keyboard_->Lighting().VersionReadsAnswered(), 1);
  EXPECT_TRUE(program_->WaitForLog("keyboard firmware version 0123", 10s)) << program_->Log();
  EXPECT_EQ(reports[1].bytes, ToBytes(settings_.effect)) << Hex(reports[1].bytes);
  EXPECT_EQ(reports[2].bytes, ToBytes(settings_.side)) << Hex(reports[2].bytes);
  EXPECT_EQ(reports[3].bytes, ToBytes(settings_.startup)) << Hex(reports[3].bytes);

  // At least 100 ms between lighting reports (a few ms of slack: the arrival times are taken when
  // the keyboard's thread reads them); the start-up effect 2 s after the initialisation, whose
  // first step is the version query (never before, and not seconds later; the stored lighting goes
  // from the report pacer's thread meanwhile, so the gap to it depends on how soon that ran).
  const double sideGap = Milliseconds(reports[2].at - reports[1].at);
  const double startupGap = Milliseconds(reports[3].at - reports[0].at);
  std::printf("effect -> side light %.1f ms, version query -> start-up effect %.1f ms\n", sideGap, startupGap);
  EXPECT_GE(sideGap, 97.0);
  EXPECT_GE(startupGap, 1990.0);
  EXPECT_LE(startupGap, 5000.0);
}

TEST_F(WholeProgram, AssignedKeysGiveTheirReplacementAndNothingOfTheOriginal) {
  if (Opt().windows) {
    ThroughXToAWindowsWindow();
    return;
  }
  // The key filter has the keyboard when another grab is refused.
  const std::vector<std::string> keyboardNodes =
      platform::linux_backend::FindKeyboardEventNodes(kEmulatedVendor, kEmulatedProduct);
  ASSERT_FALSE(keyboardNodes.empty());
  bool grabbed = false;
  for (int i = 0; i < 600 && !grabbed; ++i) {
    EventNodeReader probe(keyboardNodes.front());
    grabbed = ::ioctl(probe.Fd(), EVIOCGRAB, 1) != 0;
    if (!grabbed) {
      ::ioctl(probe.Fd(), EVIOCGRAB, 0);
      std::this_thread::sleep_for(100ms);
    }
  }
  ASSERT_TRUE(grabbed) << "the program never took the keyboard";
  const auto virtualNode = WaitForEventNodeNamed(kVirtualName, 5000);
  const auto passNode = WaitForEventNodeNamed(kPassThroughName, 5000);
  ASSERT_TRUE(virtualNode && passNode);
  EventNodeReader replaced(*virtualNode);
  EventNodeReader passed(*passNode);
  int monotonic = CLOCK_MONOTONIC;
  ASSERT_EQ(::ioctl(replaced.Fd(), EVIOCSCLOCKID, &monotonic), 0);

  // A: B goes down and up on the virtual device, and A nowhere.
  ASSERT_TRUE(keyboard_->SendKeys(0, {kUsageA}));
  ASSERT_TRUE(keyboard_->SendKeys(0, {}));
  std::vector<input_event> before;
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 1, 5000, &before));
  EXPECT_TRUE(replaced.WaitForKey(KEY_B, 0, 5000, &before));
  EXPECT_TRUE(before.empty());

  // C: the macro's steps on the schedule of its delays, by the kernel's event times. The schedule
  // runs from the first step (a delay of 0 counts as 1 ms): no step early, none later than an
  // emulated guest's scheduling allows.
  ASSERT_TRUE(keyboard_->SendKeys(0, {kUsageC}));
  ASSERT_TRUE(keyboard_->SendKeys(0, {}));
  std::vector<input_event> steps;
  for (std::size_t i = 0; i < settings_.macroOnC.size(); ++i) {
    const auto event = replaced.NextKey(5000);
    ASSERT_TRUE(event) << "step " << i << " never came";
    steps.push_back(*event);
  }
  double due = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const ExpectedStep& step = settings_.macroOnC[i];
    const double at = (Seconds(steps[i]) - Seconds(steps[0])) * 1000.0;
    std::printf("macro step %zu at %.2f ms, due at %.0f ms\n", i, at, due);
    EXPECT_EQ(steps[i].value, step.down ? 1 : 0) << "step " << i;
    EXPECT_GE(at, due - 0.5) << "step " << i;
    EXPECT_LE(at, due + 50.0) << "step " << i;
    due += std::max(step.delayMs, 1);
  }
  EXPECT_EQ(steps[0].code, KEY_X);
  EXPECT_EQ(steps[2].code, KEY_Y);

  // D, not assigned, passes through; by then nothing of A or C has reached the desktop.
  ASSERT_TRUE(keyboard_->SendKeys(0, {kUsageD}));
  ASSERT_TRUE(keyboard_->SendKeys(0, {}));
  std::vector<input_event> passedBefore;
  EXPECT_TRUE(passed.WaitForKey(KEY_D, 1, 5000, &passedBefore));
  EXPECT_TRUE(passed.WaitForKey(KEY_D, 0, 5000, &passedBefore));
  EXPECT_TRUE(passedBefore.empty());
  EXPECT_FALSE(replaced.NextKey(0)) << "more than the macro came out";
}

TEST_F(WholeProgram, FactoryRestoreSendsItsReportAndTheKeyboardMayLeaveAndReturn) {
  keyboard_->Lighting().ClearReports();
  const auto main = WaitForWindow(kMainTitle, kStepLimit);
  ASSERT_TRUE(main) << "no main window\n" << DescribeDisplay((Opt().results / "no-main-window.png").string());
  ASSERT_TRUE(ClickAt(*main, kRestoreX, kRestoreY));
  const auto box = WaitForWindow("Warning", kStepLimit);
  ASSERT_TRUE(box) << "no confirmation box\n" << DescribeDisplay((Opt().results / "no-box.png").string());
  ASSERT_TRUE(ClickAt(*box, kOkX, box->height - kOkFromBottom));
  ASSERT_TRUE(keyboard_->Lighting().WaitForOutputReports(1, std::chrono::milliseconds(kStepLimit).count()))
      << program_->Log();
  EXPECT_EQ(keyboard_->Lighting().OutputReports()[0], ToBytes(device::FactoryRestoreReport()));

  // The keyboard restarts: it leaves and comes back. The program waits for it and opens it again.
  const std::size_t logSoFar = program_->Log().size();
  keyboard_->Lighting().ClearReports();
  // Under Wine the interfaces leave one at a time: Wine 8.0's HID bus at times loses a keyboard
  // whose two interfaces left at once when it returns (README), which no program can mend.
  ASSERT_TRUE(Opt().windows ? keyboard_->UnplugOneAtATime(kStepLimit) : keyboard_->Unplug());
  const auto removed = program_->WaitForLog("keyboard removed:", kStepLimit, logSoFar);
  ASSERT_TRUE(removed) << program_->Log();
  ASSERT_TRUE(keyboard_->Plug());
  ASSERT_TRUE(program_->WaitForLog("keyboard arrived:", kStepLimit, *removed))
      << program_->Log() << (Opt().windows ? "\nWhat Windows programs see now:\n" + WineListing() : std::string());
  EXPECT_TRUE(program_->Running()) << "the removal during the restore ended the program";
  ASSERT_TRUE(keyboard_->Lighting().WaitForFeatureReports(1, std::chrono::milliseconds(kStepLimit).count()));
  EXPECT_EQ(Features()[0].bytes, ToBytes(device::VersionQuery()));
  EXPECT_TRUE(program_->WaitForLog("keyboard firmware version 0123", 10s, *removed));
}

TEST_F(WholeProgram, RemovalOutsideARestoreEndsTheProgram) {
  ASSERT_TRUE(program_->Running());
  ASSERT_TRUE(keyboard_->Unplug());
  const auto status = program_->WaitForExit(kStepLimit);
  ASSERT_TRUE(status) << "still running after the keyboard went away";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
  EXPECT_NE(program_->Log().find("keyboard removed:"), std::string::npos);
}

}  // namespace
}  // namespace kbtest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kbtest::Options& options = kbtest::Opt();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (arg == "--kind") {
      options.windows = next() == "windows";
    } else if (arg == "--data") {
      options.data = next();
    } else if (arg == "--config") {
      options.config = next();
    } else if (arg == "--results") {
      options.results = next();
    } else if (arg == "--loader") {
      options.loader = next();
    } else if (arg == "--listing") {
      options.listing = next();
    } else if (arg == "--key-sink") {
      options.keySink = next();
    } else if (arg == "--") {
      options.command.assign(argv + i + 1, argv + argc);
      break;
    }
  }
  if (options.config.empty()) options.config = options.data / "config.xml";
  if (options.command.empty() || options.data.empty() || options.results.empty() ||
      (options.windows && (options.loader.empty() || options.listing.empty()))) {
    std::fprintf(stderr,
                 "usage: guest_program_tests --kind linux|windows --data <folder> [--config <file>] "
                 "--results <folder> [--loader <wine> --listing <exe> [--key-sink <exe>]] -- <program...>\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
