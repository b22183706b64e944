// hid_listing <config.xml>: what a Windows program sees of the HID class, for the Windows guest
// scenario (run under Wine against the emulated keyboard) and for anyone comparing Wine with
// Windows:
//
//   wine lists: <path> | vid <v> pid <p> | usage <page>:<usage> | lengths in/out/feature | collections <page>:<usage>...
//       each interface as SetupAPI and the HID class library give it, with its link collections
//   kbconfig lists: <path> | interface <n> collection <n>
//       each interface as the program's backend lists it, parsed by the program's path parser
//   selector finds: <path> | usage <page>:<usage>
//       the interface config.xml's selector chooses, as the program chooses it
//   version read: <8 bytes>
//       the version query through that interface (feature report 07 F1, then a read of report 7)
//   feature read on <path>: result <0|1> error <n> buffer <8 bytes>
//       the same read on each other interface of the keyboard's vendor and product
#include <cstdio>
#include <string>
#include <vector>

#include "device/discovery/device_path.h"
#include "device/discovery/enumerate_hid_interfaces.h"
#include "device/io/hid_device.h"
#include "model/config/load_config.h"
#include "platform/hid.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win_api.h"
#include "support/logger.h"
#include "support/text.h"

namespace {

const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += support::Format("%s%02x", i == 0 ? "" : " ", bytes[i]);
  return text;
}

struct RawInterface {
  std::wstring path;
  HIDD_ATTRIBUTES attributes{};
};

// SetupAPI and the HID class library, without the program's backend in between.
std::vector<RawInterface> ListRaw() {
  std::vector<RawInterface> listed;
  platform::win32::DeviceInfoSet set(
      SetupDiGetClassDevsW(&kHidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.valid()) return listed;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kHidClass, index, &data)) break;
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailW(set.get(), &data, nullptr, 0, &size, nullptr);
    std::vector<DWORD> storage(size / sizeof(DWORD) + 2, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set.get(), &data, detail, size, nullptr, nullptr)) continue;
    RawInterface item;
    item.path = detail->DevicePath;
    std::string line = "wine lists: " + support::WideToUtf8(item.path);
    platform::win32::UniqueHandle device(CreateFileW(item.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
    if (!device) {
      std::printf("%s | cannot open (error %lu)\n", line.c_str(), GetLastError());
      listed.push_back(item);
      continue;
    }
    item.attributes.Size = sizeof item.attributes;
    HidD_GetAttributes(device.get(), &item.attributes);
    line += support::Format(" | vid %04x pid %04x", item.attributes.VendorID, item.attributes.ProductID);
    platform::win32::PreparsedData preparsed;
    HIDP_CAPS caps{};
    if (HidD_GetPreparsedData(device.get(), preparsed.out()) && HidP_GetCaps(preparsed.get(), &caps) == HIDP_STATUS_SUCCESS) {
      line += support::Format(" | usage %04x:%04x | lengths %u/%u/%u | collections", caps.UsagePage, caps.Usage,
                              caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength);
      std::vector<HIDP_LINK_COLLECTION_NODE> nodes(caps.NumberLinkCollectionNodes);
      ULONG count = static_cast<ULONG>(nodes.size());
      if (count > 0 && HidP_GetLinkCollectionNodes(nodes.data(), &count, preparsed.get()) == HIDP_STATUS_SUCCESS) {
        for (ULONG i = 0; i < count; ++i) {
          line += support::Format(" %04x:%04x(parent %u, type %u)", nodes[i].LinkUsagePage, nodes[i].LinkUsage,
                                  nodes[i].Parent, nodes[i].CollectionType);
        }
      }
    }
    std::printf("%s\n", line.c_str());
    listed.push_back(item);
  }
  return listed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hid_listing <config.xml>\n");
    return 2;
  }
  // The program's own log lines would mix with these; they go to standard error.
  support::Logger::Instance().ReplaceSink([](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); });
  model::AppConfig config;
  if (!model::LoadConfigFile(argv[1], config)) {
    std::fprintf(stderr, "hid_listing: cannot load %s\n", argv[1]);
    return 2;
  }
  const std::vector<RawInterface> raw = ListRaw();

  platform::HidSystem& hid = platform::DefaultHidSystem();
  std::vector<platform::HidInterfaceEntry> entries;
  platform::Guid guid;
  hid.ListInterfaces(entries, guid);
  for (const platform::HidInterfaceEntry& entry : entries) {
    if (!entry.path) continue;
    const auto ids = device::ParseDevicePath(*entry.path);
    std::printf("kbconfig lists: %s | interface %d collection %d\n", support::WideToUtf8(*entry.path).c_str(),
                ids ? ids->interface : -2, ids ? ids->collection : -2);
  }

  const std::vector<device::HidInterfaceRecord> found = device::EnumerateHidInterfaces(hid, config.selector);
  if (found.empty()) {
    std::printf("selector finds nothing\n");
    return 1;
  }
  std::printf("selector finds: %s | usage %04x:%04x\n", support::WideToUtf8(found[0].devicePath).c_str(),
              found[0].usagePage, found[0].usage);
  device::HidDevice keyboard(hid);
  if (!keyboard.Open(found[0].devicePath, device::kReadWriteShared)) {
    std::printf("version read: cannot open\n");
    return 1;
  }
  device::Report answer{0x07, 0, 0, 0, 0, 0, 0, 0};
  const bool read = keyboard.SetFeature({0x07, 0xF1, 0, 0, 0, 0, 0, 0}) && keyboard.GetFeature(answer);
  std::printf("version read: %s\n", read ? Hex(answer.data(), answer.size()).c_str() : "failed");
  keyboard.Close();

  // The same read where the interface has no feature report 7: the call fails and the buffer
  // keeps what the caller put in it.
  for (const RawInterface& item : raw) {
    if (item.attributes.VendorID != config.selector.vid || item.attributes.ProductID != config.selector.pid) continue;
    platform::win32::UniqueHandle device(CreateFileW(item.path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                                     nullptr));
    std::uint8_t buffer[8] = {0x07, 0xF1};
    const BOOLEAN got = device ? HidD_GetFeature(device.get(), buffer, sizeof buffer) : FALSE;
    const DWORD error = got ? 0 : GetLastError();
    std::printf("feature read on %s: result %d error %lu buffer %s\n", support::WideToUtf8(item.path).c_str(), got ? 1 : 0,
                error, Hex(buffer, sizeof buffer).c_str());
  }
  return read ? 0 : 1;
}
