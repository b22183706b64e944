// kbconfig-probe: loads config.xml (from the program's folder, or the file or folder given as the
// first argument), looks for the keyboard it names, opens it and asks for its firmware version.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "device/discovery/enumerate_hid_interfaces.h"
#include "device/io/hid_device.h"
#include "model/config/load_config.h"
#include "platform/hid.h"
#include "support/path_text.h"
#include "support/text.h"

namespace {

std::filesystem::path ProgramFolder(const char* argv0) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  return std::filesystem::absolute(argv0, error).parent_path();
}

std::filesystem::path ConfigPath(int argc, char** argv) {
  if (argc < 2) return ProgramFolder(argv[0]) / model::kConfigFileName;
  const std::filesystem::path given = argv[1];
  std::error_code error;
  if (std::filesystem::is_directory(given, error)) return given / model::kConfigFileName;
  return given;
}

void Print(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

void PrintConfig(const std::filesystem::path& path, bool loaded, const model::AppConfig& config) {
  const std::string file = support::PathToUtf8(path);
  if (!loaded) {
    Print(support::Format("Could not load %s: no keyboard is selected.\n", file.c_str()));
    return;
  }
  const model::DeviceSelector& s = config.selector;
  Print(support::Format("Configuration %s: vendor %04x, product %04x, interface %d, collection %d, language %s.\n",
                        file.c_str(), static_cast<unsigned>(s.vid), static_cast<unsigned>(s.pid), s.interface,
                        s.subdevice, config.useChinese ? "Chinese" : "English"));
  Print(support::Format("It offers %zu media keys and %zu key combinations.\n", config.mediaKeys.size(),
                        config.functionKeys.size()));
}

void PrintInterfaces(const std::vector<device::HidInterfaceRecord>& records) {
  Print(support::Format("Found %zu matching HID interface(s).\n", records.size()));
  for (const device::HidInterfaceRecord& record : records) {
    Print(support::Format("  %s\n    vendor %04x, product %04x, release %04x, usage page %04x, usage %04x\n",
                          support::WideToUtf8(record.devicePath).c_str(), static_cast<unsigned>(record.vid),
                          static_cast<unsigned>(record.pid), record.releaseNumber, record.usagePage,
                          record.usage));
  }
}

// Asks the keyboard for its firmware version: feature report 07 F1, then read report 07 back.
bool QueryFirmwareVersion(device::HidDevice& keyboard, std::uint16_t& version) {
  device::Report query{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
  if (!keyboard.SetFeature(query)) return false;
  device::Report answer{0x07, 0, 0, 0, 0, 0, 0, 0};
  if (!keyboard.GetFeature(answer)) return false;
  version = static_cast<std::uint16_t>((answer[1] << 8) | answer[2]);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path configPath = ConfigPath(argc, argv);
  model::AppConfig config;
  const bool loaded = model::LoadConfigFile(configPath, config);
  PrintConfig(configPath, loaded, config);

  platform::HidSystem& hid = platform::DefaultHidSystem();
  PrintInterfaces(device::EnumerateHidInterfaces(hid, config.selector));

  device::HidDevice keyboard(hid);
  std::uint16_t release = 0;
  if (!keyboard.OpenBySelector(config.selector, &release, device::kReadWriteShared)) {
    Print("No keyboard found. Please insert USB device!\n");
    return 1;
  }
  Print(support::Format("Opened the keyboard (release %04x).\n", release));

  std::uint16_t version = 0;
  int result = 0;
  if (QueryFirmwareVersion(keyboard, version)) {
    Print(support::Format("Firmware version: %u.%02u (0x%04x).\n", version >> 8, version & 0xFFu, version));
  } else {
    Print("The keyboard did not answer the firmware version query.\n");
    result = 1;
  }
  keyboard.Close();
  return result;
}
