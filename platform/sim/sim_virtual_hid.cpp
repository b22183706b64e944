#include "platform/sim/sim_virtual_hid.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "support/logger.h"

namespace sim {

const wchar_t* const kVirtualDevicePath =
    L"\\\\?\\hid#root#vhidev#0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
constexpr std::size_t kOutputReportBytes = 64;
constexpr std::uint8_t kOutputReportId = 0x05;

}  // namespace

struct SimVirtualHid::State {
  mutable std::mutex mutex;
  bool present = true;
  bool logKeys = false;
  std::uint64_t generation = 0;  // bumped on removal, so old handles go stale
  std::vector<OtherInterface> others;
  platform::InterfaceListOutcome listOutcome{platform::InterfaceListOutcome::Kind::kListed, 0};
  std::uint32_t writeError = 0;
  std::vector<std::vector<std::uint8_t>> reports;
  std::vector<std::chrono::steady_clock::time_point> reportTimes;  // one per report
  std::array<std::uint8_t, 32> keyboardBitmap{};
  SimMouseState mouse;
  std::uint16_t consumerUsage = 0;
  std::uint16_t systemUsage = 0;
  int openHandles = 0;

  std::vector<std::uint32_t> KeysDownLocked() const {
    std::vector<std::uint32_t> keys;
    for (std::uint32_t usage = 0; usage < 256; ++usage) {
      if (keyboardBitmap[usage >> 3] & (1u << (usage & 7))) keys.push_back(0x00070000 | usage);
    }
    for (std::uint32_t bit = 0; bit < 8; ++bit) {
      if (mouse.buttons & (1u << bit)) keys.push_back(0x00050000 | bit);
    }
    if (consumerUsage != 0) keys.push_back(0x000C0000 | consumerUsage);
    if (systemUsage != 0) keys.push_back(0x00010000 | systemUsage);
    return keys;
  }

  // Applies a 64-byte output report the way the device driver turns it into input.
  void Decode(const std::uint8_t* report) {
    if (report[0] != kOutputReportId) return;
    const std::uint8_t* data = report + 2;
    switch (report[1]) {
      case 1:
        std::copy(data + 1, data + 33, keyboardBitmap.begin());
        break;
      case 2:
        mouse = SimMouseState{data[0], data[1], data[2], data[3]};
        break;
      case 3:
        consumerUsage = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
        break;
      case 4:
        systemUsage = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
        break;
      default:
        return;
    }
    if (logKeys) {
      std::string line = "virtual device -> keys down:";
      const std::vector<std::uint32_t> keys = KeysDownLocked();
      if (keys.empty()) line += " none";
      for (std::uint32_t key : keys) {
        char text[16];
        std::snprintf(text, sizeof text, " %08x", static_cast<unsigned>(key));
        line += text;
      }
      line += '\n';
      support::Logger::Instance().Write(line);
    }
  }
};

namespace {

using State = SimVirtualHid::State;

class SimReportDevice final : public platform::ReportDevice {
 public:
  SimReportDevice(std::shared_ptr<State> state, std::optional<OtherInterface> other) : state_(std::move(state)) {
    isVirtualDevice_ = !other.has_value();
    if (other) other_ = std::move(*other);
    std::scoped_lock lock(state_->mutex);
    generation_ = state_->generation;
    ++state_->openHandles;
  }

  ~SimReportDevice() override {
    std::scoped_lock lock(state_->mutex);
    --state_->openHandles;
  }

  bool GetAttributes(platform::HidAttributes& attributes) override {
    std::scoped_lock lock(state_->mutex);
    if (!isVirtualDevice_) {
      attributes = other_.attributes;
      return other_.attributesReadable;
    }
    if (!AliveLocked()) return false;
    attributes = platform::HidAttributes{0xDEED, 0xFEED, 0x0100};
    return true;
  }

  platform::CapsOutcome GetCaps(platform::HidCaps& caps) override {
    std::scoped_lock lock(state_->mutex);
    if (!isVirtualDevice_) {
      caps = other_.caps;
      return other_.capsOutcome;
    }
    if (!AliveLocked()) return platform::CapsOutcome::kNoPreparsedData;
    caps = platform::HidCaps{};
    caps.usagePage = 0xFF00;
    caps.usage = 0x01;
    caps.outputReportByteLength = kOutputReportBytes;
    return platform::CapsOutcome::kRead;
  }

  bool WriteReport(const std::uint8_t* report, std::size_t length, std::uint32_t& error) override {
    std::scoped_lock lock(state_->mutex);
    if (!isVirtualDevice_ || !AliveLocked()) {
      error = kErrorDeviceNotConnected;
      return false;
    }
    if (state_->writeError != 0) {
      error = state_->writeError;
      return false;
    }
    if (report == nullptr || length != kOutputReportBytes) {
      error = kErrorInvalidParameter;
      return false;
    }
    state_->reportTimes.push_back(std::chrono::steady_clock::now());
    state_->reports.emplace_back(report, report + length);
    state_->Decode(report);
    return true;
  }

 private:
  bool AliveLocked() const { return state_->present && state_->generation == generation_; }

  std::shared_ptr<State> state_;
  OtherInterface other_;
  bool isVirtualDevice_ = true;
  std::uint64_t generation_ = 0;
};

}  // namespace

SimVirtualHid::SimVirtualHid(bool present) : state_(std::make_shared<State>()) { state_->present = present; }

SimVirtualHid::~SimVirtualHid() = default;

platform::Guid SimVirtualHid::HidClassGuid() { return platform::kHidInterfaceClass; }

platform::InterfaceListOutcome SimVirtualHid::ListPresentInterfaces(const platform::Guid& interfaceClass,
                                                                    std::vector<std::wstring>& paths) {
  std::scoped_lock lock(state_->mutex);
  paths.clear();
  if (state_->listOutcome.kind != platform::InterfaceListOutcome::Kind::kListed) return state_->listOutcome;
  if (!(interfaceClass == platform::kHidInterfaceClass)) {
    return platform::InterfaceListOutcome{platform::InterfaceListOutcome::Kind::kEmpty, 0};
  }
  for (const OtherInterface& other : state_->others) paths.push_back(other.path);
  if (state_->present) paths.push_back(kVirtualDevicePath);
  if (paths.empty()) return platform::InterfaceListOutcome{platform::InterfaceListOutcome::Kind::kEmpty, 0};
  return platform::InterfaceListOutcome{platform::InterfaceListOutcome::Kind::kListed, 0};
}

std::unique_ptr<platform::ReportDevice> SimVirtualHid::OpenReportDevice(const std::wstring& path,
                                                                       std::uint32_t& error) {
  std::optional<OtherInterface> other;
  {
    std::scoped_lock lock(state_->mutex);
    const bool isVirtualDevice = state_->present && path == kVirtualDevicePath;
    if (!isVirtualDevice) {
      for (const OtherInterface& candidate : state_->others) {
        if (candidate.path == path && candidate.opens) other = candidate;
      }
      if (!other) {
        error = kErrorFileNotFound;
        return nullptr;
      }
    }
  }
  return std::make_unique<SimReportDevice>(state_, std::move(other));
}

void SimVirtualHid::SetPresent(bool present) {
  std::scoped_lock lock(state_->mutex);
  if (state_->present && !present) ++state_->generation;
  state_->present = present;
}

bool SimVirtualHid::IsPresent() const {
  std::scoped_lock lock(state_->mutex);
  return state_->present;
}

void SimVirtualHid::AddOtherInterface(OtherInterface other) {
  std::scoped_lock lock(state_->mutex);
  state_->others.push_back(std::move(other));
}

void SimVirtualHid::SetListOutcome(platform::InterfaceListOutcome outcome) {
  std::scoped_lock lock(state_->mutex);
  state_->listOutcome = outcome;
}

void SimVirtualHid::FailWrites(std::uint32_t error) {
  std::scoped_lock lock(state_->mutex);
  state_->writeError = error;
}

void SimVirtualHid::SetLogKeys(bool log) {
  std::scoped_lock lock(state_->mutex);
  state_->logKeys = log;
}

std::vector<std::vector<std::uint8_t>> SimVirtualHid::Reports() const {
  std::scoped_lock lock(state_->mutex);
  return state_->reports;
}

void SimVirtualHid::ClearReports() {
  std::scoped_lock lock(state_->mutex);
  state_->reports.clear();
  state_->reportTimes.clear();
}

std::vector<std::chrono::steady_clock::time_point> SimVirtualHid::ReportTimes() const {
  std::scoped_lock lock(state_->mutex);
  return state_->reportTimes;
}

std::vector<std::uint32_t> SimVirtualHid::KeysDown() const {
  std::scoped_lock lock(state_->mutex);
  return state_->KeysDownLocked();
}

SimMouseState SimVirtualHid::Mouse() const {
  std::scoped_lock lock(state_->mutex);
  return state_->mouse;
}

int SimVirtualHid::OpenHandles() const {
  std::scoped_lock lock(state_->mutex);
  return state_->openHandles;
}

SimVirtualHid& DemoVirtualHid() {
  static SimVirtualHid device(true);
  static const bool logging = (device.SetLogKeys(true), true);
  (void)logging;
  return device;
}

}  // namespace sim

namespace platform {
ReportDeviceSystem& DefaultReportDeviceSystem() { return sim::DemoVirtualHid(); }
}  // namespace platform
