#include "main_window_rig.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QCoreApplication>

#include "app/startup/data_files.h"
#include "qt_test_app.h"

namespace uitest {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  static const char kDigits[] = "0123456789abcdef";
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::string UniformEffectFile(int selected) {
  std::string file = "<?xml version=\"1.0\"?>\n<effect sel=\"" + std::to_string(selected) + "\">\n";
  for (int i = 0; i < 20; ++i) file += "\t<item speed=\"2\" brightness=\"3\" deriction=\"0\" selection=\"1\" />\n";
  return file + "</effect>\n";
}

std::string OneKeyRecordFile(const std::string& code, const std::string& name, const std::string& group,
                             const std::string& typed) {
  return "<?xml version=\"1.0\"?>\n<record code=\"" + code + "\" play=\"1\" type=\"1\" repeat=\"1\" name=\"" +
         name + "\" group=\"" + group + "\">\n\t<item code=\"" + typed +
         "\" state=\"0\" delay=\"0\" name=\"\" />\n</record>\n";
}

std::vector<std::string> CaptureEntries(const std::vector<std::uint8_t>& table) {
  std::vector<std::string> entries;
  for (std::size_t at = 0; at + 4 <= table.size(); at += 4) {
    const std::vector<std::uint8_t> entry(table.begin() + at, table.begin() + at + 4);
    if (entry != std::vector<std::uint8_t>(4, 0)) entries.push_back(Hex(entry));
  }
  return entries;
}

MainWindowRig::MainWindowRig(sim::KeyboardSpec spec)
    : keyboard(std::move(spec), clock),
      loader((EnsureApplication(), ShippedPackage()), ProgramFolder()),
      language(ShippedPackage()) {
  config.selector = {sim::kStandardVendor, sim::kStandardProduct, 1, 2};
  language.Switch("lang_en");
  ProcessEvents();
}

MainWindowRig::~MainWindowRig() {
  window.reset();
  ProcessEvents();
  profiles.reset();
}

void MainWindowRig::WriteFile(const std::string& name, const std::string& text) const {
  std::filesystem::create_directories((folder / name).parent_path());
  std::ofstream(folder / name, std::ios::binary) << text;
}

std::string MainWindowRig::ReadFile(const std::string& name) const {
  if (window) window->WaitForLightingSaves();
  std::ifstream in(folder / name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void MainWindowRig::LoadDataFiles() {
  app::LoadSettingsFile(folder.Path(), settings);
  profiles = std::make_unique<profiles::ProfileService>(
      folder.Path(), profiles::ProfileService::Stores{settings, records, effects, sides, macros});
  app::LoadDataFiles(folder.Path(), profiles->Catalog().FilesOf(profiles->Active()), macros, records, sides, effects);
}

bool MainWindowRig::Start() {
  if (!profiles) {
    profiles = std::make_unique<profiles::ProfileService>(
        folder.Path(), profiles::ProfileService::Stores{settings, records, effects, sides, macros});
  }
  ui::MessageFunction recordMessage = [this](QWidget* parent, const QString& caption, const QString& text,
                                             ui::MessageButtons buttons, ui::MessageIcon icon) {
    messages.push_back({caption, text, parent != nullptr, buttons, icon});
    return messageAnswer;
  };
  window = std::make_unique<ui::CMainDlg>(ui::MainDlgServices{
      .hid = keyboard,
      .filters = filter,
      .virtualDevice = virtualDevice,
      .config = config,
      .effects = effects,
      .sides = sides,
      .records = records,
      .macros = macros,
      .settings = settings,
      .profiles = *profiles,
      .foreground = foregroundInUse != nullptr ? *foregroundInUse : foreground,
      .clock = clock,
      .package = ShippedPackage(),
      .loader = loader,
      .language = language,
      .instanceName = "kbconfig-test-instance",
      .dataFolder = folder.Path(),
      .trayAvailable = trayAvailable,
      .showMessage = realMessageBoxes ? ui::MessageFunction() : recordMessage,
      .askPort = askPort ? askPort : [](QWidget*, const QString&, std::uint16_t) { return std::optional<std::uint16_t>(); },
      .outsidePort = outsidePort,
      .outsideSilenceLimit = std::chrono::milliseconds(10000),
      .profilePrompts = prompts,
      .pretendForeground = {}});
  if (!window->Create()) return false;
  const bool started = window->Initialise();
  window->WaitForLightingReports();
  return started;
}

bool MainWindowRig::LoadAndStart() {
  LoadDataFiles();
  return Start();
}

void MainWindowRig::ProcessEvents() {
  // Language changes are posted twice over (application, then each window).
  for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

void MainWindowRig::ClearReports() {
  if (window) window->WaitForLightingReports();
  keyboard.ClearReports();
}

std::vector<sim::ReceivedReport> MainWindowRig::SentReports() const {
  if (window) window->WaitForLightingReports();
  std::vector<sim::ReceivedReport> sent;
  for (const sim::ReceivedReport& report : keyboard.Reports()) {
    if (report.kind != sim::ReceivedReport::Kind::kGetFeature) sent.push_back(report);
  }
  return sent;
}

std::vector<std::string> MainWindowRig::SentReportTexts() const {
  std::vector<std::string> texts;
  for (const sim::ReceivedReport& report : SentReports()) texts.push_back(Hex(report.bytes));
  return texts;
}

std::vector<std::string> MainWindowRig::EffectReportTexts() const {
  std::vector<std::string> texts;
  for (const sim::ReceivedReport& report : SentReports()) {
    const auto& bytes = report.bytes;
    if (report.kind == sim::ReceivedReport::Kind::kSetFeature && bytes.size() == 8 && bytes[1] == 0xFF &&
        bytes[3] != 0x20) {
      texts.push_back(Hex(bytes));
    }
  }
  return texts;
}

std::vector<std::string> MainWindowRig::SideReportTexts() const {
  std::vector<std::string> texts;
  for (const sim::ReceivedReport& report : SentReports()) {
    const auto& bytes = report.bytes;
    if (report.kind == sim::ReceivedReport::Kind::kSetFeature && bytes.size() == 8 && bytes[1] == 0xFF &&
        bytes[3] == 0x20) {
      texts.push_back(Hex(bytes));
    }
  }
  return texts;
}

}  // namespace uitest
