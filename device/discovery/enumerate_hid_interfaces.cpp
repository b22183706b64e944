#include "device/discovery/enumerate_hid_interfaces.h"

#include <algorithm>
#include <memory>

#include "device/discovery/device_path.h"
#include "device/discovery/guid_format.h"
#include "support/logger.h"
#include "support/text.h"

namespace device {
namespace {

constexpr std::uint32_t kInvalidHandleForLog = 0xFFFFFFFF;

bool PartMatches(std::int32_t wanted, std::int32_t parsed) {
  if (wanted == -1) return true;
  if (wanted < 0) return false;
  return wanted == parsed;
}

bool SelectorAccepts(const DevicePathIds& ids, std::int32_t vid, std::span<const std::int32_t> pids,
                     std::int32_t interface, std::int32_t collection) {
  if (!pids.empty() && std::find(pids.begin(), pids.end(), ids.pid) == pids.end()) return false;
  if (vid > 0 && ids.vid != vid) return false;
  return PartMatches(interface, ids.interface) && PartMatches(collection, ids.collection);
}

// Opens the interface once to fill in its release number and top-level usage.
void ReadInterfaceDetails(platform::HidSystem& system, HidInterfaceRecord& record) {
  std::uint32_t error = 0;
  std::unique_ptr<platform::HidHandle> handle =
      system.Open(record.devicePath, platform::kGenericRead | platform::kGenericWrite,
                  platform::kShareRead | platform::kShareWrite, error);
  support::LogWide(L"open dev: %08x\n",
                   handle ? static_cast<unsigned>(handle->NativeValue()) : kInvalidHandleForLog);
  if (!handle) {
    support::LogFailure("open HID interface", support::Format("error %u", static_cast<unsigned>(error)));
    return;
  }
  platform::HidAttributes attributes;
  if (handle->GetAttributes(attributes)) {
    record.releaseNumber = attributes.versionNumber;
  } else {
    support::LogFailure("read HID attributes", support::WideToUtf8(record.devicePath));
  }
  platform::HidCaps caps;
  if (handle->GetCaps(caps)) {
    record.usagePage = caps.usagePage;
    record.usage = caps.usage;
  } else {
    support::LogFailure("read HID capabilities", support::WideToUtf8(record.devicePath));
  }
  if (!handle->Close()) support::LogFailure("close HID interface", support::WideToUtf8(record.devicePath));
}

}  // namespace

std::vector<HidInterfaceRecord> EnumerateHidInterfaces(platform::HidSystem& system, std::int32_t vid,
                                                       std::span<const std::int32_t> pids, std::int32_t interface,
                                                       std::int32_t collection) {
  std::vector<HidInterfaceRecord> records;
  if (pids.empty() && vid <= 0) return records;

  std::vector<platform::HidInterfaceEntry> entries;
  platform::Guid classGuid;
  if (!system.ListInterfaces(entries, classGuid)) {
    support::LogFailure("list HID interfaces", "the HID device set is not available");
    return records;
  }
  support::Log("got classs: guid={%s}\n", FormatGuidForLog(classGuid).c_str());

  for (std::size_t index = 0; index < entries.size(); ++index) {
    const platform::HidInterfaceEntry& entry = entries[index];
    support::Log("enum interface: guid={%s} index=%d\n", FormatGuidForLog(entry.interfaceClassGuid).c_str(),
                 static_cast<int>(index));
    if (!entry.path) {
      support::LogWide(L"获取接口信息失败\n");
      continue;
    }
    const std::optional<DevicePathIds> ids = ParseDevicePath(*entry.path);
    if (!ids || !SelectorAccepts(*ids, vid, pids, interface, collection)) continue;

    HidInterfaceRecord& record = records.emplace_back();
    record.devicePath = *entry.path;
    record.interfaceClassGuid = entry.interfaceClassGuid;
    record.flags = entry.flags;
    record.vid = ids->vid;
    record.pid = ids->pid;
    ReadInterfaceDetails(system, record);
  }
  return records;
}

std::vector<std::int32_t> SelectorPidList(const model::DeviceSelector& selector) {
  if (selector.pid == 0) return {};
  return {selector.pid};
}

std::vector<HidInterfaceRecord> EnumerateHidInterfaces(platform::HidSystem& system,
                                                       const model::DeviceSelector& selector) {
  return EnumerateHidInterfaces(system, selector.vid, SelectorPidList(selector), selector.interface,
                                selector.subdevice);
}

}  // namespace device
