#include "platform/sim/sim_keyboard.h"

#include <algorithm>
#include <cwctype>

#include "support/logger.h"

namespace sim {

const wchar_t* const kStandardLightingPath =
    L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col02#7&2b3c4d5e&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::wstring Upper(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return text;
}

InterfaceSpec MakeInterface(const wchar_t* path, std::uint16_t usagePage, std::uint16_t usage,
                            std::uint16_t outputLength, std::uint16_t featureLength) {
  InterfaceSpec spec;
  spec.path = path;
  spec.attributes = {kStandardVendor, kStandardProduct, 0x0105};
  spec.caps.usagePage = usagePage;
  spec.caps.usage = usage;
  spec.caps.inputReportByteLength = 9;
  spec.caps.outputReportByteLength = outputLength;
  spec.caps.featureReportByteLength = featureLength;
  return spec;
}

}  // namespace

KeyboardSpec StandardKeyboard() {
  KeyboardSpec spec;
  spec.interfaces.push_back(MakeInterface(
      L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0x01, 0x06,
      2, 0));
  spec.interfaces.push_back(MakeInterface(
      L"\\\\?\\hid#vid_1a2b&pid_0c3d&mi_01&col01#7&2b3c4d5e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0x0C,
      0x01, 0, 0));
  spec.interfaces.push_back(MakeInterface(kStandardLightingPath, 0xFF00, 0x01, 8, 8));
  return spec;
}

struct SimHidSystem::State {
  mutable std::mutex mutex;
  KeyboardSpec spec;
  support::Clock* clock = nullptr;
  bool pluggedIn = true;
  bool holdWrites = false;
  bool versionAsked = false;
  std::uint64_t generation = 0;  // bumped on every unplug, so old handles go stale
  std::vector<ReceivedReport> reports;
  int listCalls = 0;
  int openCalls = 0;
  int openHandles = 0;
  int nextWatcherId = 0;
  std::map<int, std::function<void(platform::DeviceChange, const std::wstring&)>> watchers;

  const InterfaceSpec* Find(const std::wstring& path) const {
    const std::wstring wanted = Lower(path);
    for (const InterfaceSpec& candidate : spec.interfaces) {
      if (Lower(candidate.path) == wanted) return &candidate;
    }
    return nullptr;
  }

  void Record(ReceivedReport::Kind kind, const std::wstring& path, const std::uint8_t* bytes, std::size_t length) {
    ReceivedReport report{kind, path, std::vector<std::uint8_t>(bytes, bytes + length), clock->Now()};
    if (spec.logReports && kind != ReceivedReport::Kind::kGetFeature) {
      std::string line = kind == ReceivedReport::Kind::kOutput ? "keyboard <- output:" : "keyboard <- feature:";
      for (std::uint8_t byte : report.bytes) {
        static const char kHex[] = "0123456789abcdef";
        line += ' ';
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
      }
      line += '\n';
      support::Logger::Instance().Write(line);
    }
    reports.push_back(std::move(report));
  }

  void Notify(platform::DeviceChange change) {
    std::vector<std::function<void(platform::DeviceChange, const std::wstring&)>> targets;
    std::vector<std::wstring> paths;
    {
      std::scoped_lock lock(mutex);
      for (const auto& [id, watcher] : watchers) targets.push_back(watcher);
      for (const InterfaceSpec& item : spec.interfaces) paths.push_back(Upper(item.path));
    }
    for (const std::wstring& path : paths) {
      for (const auto& target : targets) target(change, path);
    }
  }
};

namespace {

class SimHandle final : public platform::HidHandle {
 public:
  SimHandle(std::shared_ptr<SimHidSystem::State> state, InterfaceSpec spec, std::uint32_t access)
      : state_(std::move(state)), spec_(std::move(spec)), access_(access) {
    std::scoped_lock lock(state_->mutex);
    generation_ = state_->generation;
    ++state_->openHandles;
    static std::uintptr_t nextValue = 0x100;
    value_ = nextValue += 4;
  }
  ~SimHandle() override { Close(); }

  std::uintptr_t NativeValue() const override { return value_; }

  bool GetAttributes(platform::HidAttributes& attributes) override {
    std::scoped_lock lock(state_->mutex);
    if (!Alive() || !spec_.capsReadable) return false;
    attributes = spec_.attributes;
    return true;
  }

  bool GetCaps(platform::HidCaps& caps) override {
    std::scoped_lock lock(state_->mutex);
    if (!Alive() || !spec_.capsReadable) return false;
    caps = spec_.caps;
    return true;
  }

  bool GetFeature(std::uint8_t* buffer, std::size_t length) override {
    std::scoped_lock lock(state_->mutex);
    if (!Alive() || (access_ & platform::kGenericRead) == 0 || length == 0) return false;
    const std::uint8_t reportId = buffer[0];
    std::fill(buffer, buffer + length, 0);
    buffer[0] = reportId;
    if (state_->versionAsked && length >= 3) {
      buffer[1] = static_cast<std::uint8_t>(state_->spec.firmwareVersion >> 8);
      buffer[2] = static_cast<std::uint8_t>(state_->spec.firmwareVersion & 0xFF);
      state_->versionAsked = false;
    }
    state_->Record(ReceivedReport::Kind::kGetFeature, spec_.path, buffer, length);
    return true;
  }

  bool SetFeature(const std::uint8_t* buffer, std::size_t length) override {
    std::scoped_lock lock(state_->mutex);
    if (!Alive() || (access_ & platform::kGenericWrite) == 0 || length == 0) return false;
    state_->versionAsked = length >= 2 && buffer[1] == 0xF1;
    state_->Record(ReceivedReport::Kind::kSetFeature, spec_.path, buffer, length);
    return true;
  }

  platform::WriteOutcome Write(const std::uint8_t* buffer, std::size_t length,
                               std::chrono::milliseconds limit) override {
    bool hold = false;
    {
      std::scoped_lock lock(state_->mutex);
      if (!Alive() || (access_ & platform::kGenericWrite) == 0) {
        return {platform::WriteOutcome::Kind::kFailed, 0, kErrorDeviceNotConnected};
      }
      hold = state_->holdWrites;
      if (!hold) {
        state_->Record(ReceivedReport::Kind::kOutput, spec_.path, buffer, length);
        const auto kind = spec_.writeGoesPending ? platform::WriteOutcome::Kind::kCompletedAfterWait
                                                 : platform::WriteOutcome::Kind::kCompletedAtOnce;
        return {kind, static_cast<std::uint32_t>(length), 0};
      }
    }
    // The keyboard never takes the report: the writer waits out its limit, then cancels.
    state_->clock->SleepFor(limit);
    return {platform::WriteOutcome::Kind::kTimedOut, 0, 0};
  }

  bool Close() override {
    if (closed_) return true;
    closed_ = true;
    std::scoped_lock lock(state_->mutex);
    --state_->openHandles;
    return true;
  }

 private:
  bool Alive() const { return !closed_ && state_->pluggedIn && generation_ == state_->generation; }

  std::shared_ptr<SimHidSystem::State> state_;
  InterfaceSpec spec_;
  std::uint32_t access_ = 0;
  std::uint64_t generation_ = 0;
  std::uintptr_t value_ = 0;
  bool closed_ = false;
};

class SimSubscription final : public platform::Subscription {
 public:
  SimSubscription(std::shared_ptr<SimHidSystem::State> state, int id) : state_(std::move(state)), id_(id) {}
  ~SimSubscription() override {
    std::scoped_lock lock(state_->mutex);
    state_->watchers.erase(id_);
  }

 private:
  std::shared_ptr<SimHidSystem::State> state_;
  int id_;
};

}  // namespace

SimHidSystem::SimHidSystem(KeyboardSpec spec, support::Clock& clock) : state_(std::make_shared<State>()) {
  state_->spec = std::move(spec);
  state_->clock = &clock;
}

SimHidSystem::~SimHidSystem() = default;

bool SimHidSystem::ListInterfaces(std::vector<platform::HidInterfaceEntry>& out, platform::Guid& classGuid) {
  std::scoped_lock lock(state_->mutex);
  ++state_->listCalls;
  classGuid = platform::kHidInterfaceClass;
  out.clear();
  if (!state_->pluggedIn) return true;
  for (const InterfaceSpec& item : state_->spec.interfaces) {
    platform::HidInterfaceEntry entry;
    if (item.detailReadable) entry.path = item.path;
    entry.interfaceClassGuid = item.interfaceClassGuid;
    entry.flags = item.flags;
    out.push_back(std::move(entry));
  }
  return true;
}

std::unique_ptr<platform::HidHandle> SimHidSystem::Open(const std::wstring& path, std::uint32_t access,
                                                        std::uint32_t /*share*/, std::uint32_t& error) {
  InterfaceSpec found;
  {
    std::scoped_lock lock(state_->mutex);
    ++state_->openCalls;
    const InterfaceSpec* item = state_->Find(path);
    if (item == nullptr || !state_->pluggedIn) {
      error = kErrorFileNotFound;
      return nullptr;
    }
    if (!item->opens) {
      error = kErrorAccessDenied;
      return nullptr;
    }
    found = *item;
  }
  error = 0;
  return std::make_unique<SimHandle>(state_, std::move(found), access);
}

std::unique_ptr<platform::Subscription> SimHidSystem::WatchInterfaces(
    std::function<void(platform::DeviceChange, const std::wstring&)> onChange) {
  std::scoped_lock lock(state_->mutex);
  const int id = state_->nextWatcherId++;
  state_->watchers[id] = std::move(onChange);
  return std::make_unique<SimSubscription>(state_, id);
}

void SimHidSystem::Unplug() {
  {
    std::scoped_lock lock(state_->mutex);
    if (!state_->pluggedIn) return;
    state_->pluggedIn = false;
    ++state_->generation;
  }
  state_->Notify(platform::DeviceChange::kRemoval);
}

void SimHidSystem::PlugIn() {
  {
    std::scoped_lock lock(state_->mutex);
    if (state_->pluggedIn) return;
    state_->pluggedIn = true;
  }
  state_->Notify(platform::DeviceChange::kArrival);
}

bool SimHidSystem::IsPluggedIn() const {
  std::scoped_lock lock(state_->mutex);
  return state_->pluggedIn;
}

void SimHidSystem::SetFirmwareVersion(std::uint16_t version) {
  std::scoped_lock lock(state_->mutex);
  state_->spec.firmwareVersion = version;
}

void SimHidSystem::HoldOutputWrites(bool hold) {
  std::scoped_lock lock(state_->mutex);
  state_->holdWrites = hold;
}

std::vector<ReceivedReport> SimHidSystem::Reports() const {
  std::scoped_lock lock(state_->mutex);
  return state_->reports;
}

void SimHidSystem::ClearReports() {
  std::scoped_lock lock(state_->mutex);
  state_->reports.clear();
}

int SimHidSystem::ListCalls() const {
  std::scoped_lock lock(state_->mutex);
  return state_->listCalls;
}

int SimHidSystem::OpenCalls() const {
  std::scoped_lock lock(state_->mutex);
  return state_->openCalls;
}

int SimHidSystem::OpenHandles() const {
  std::scoped_lock lock(state_->mutex);
  return state_->openHandles;
}

SimHidSystem& DemoKeyboard() {
  static SimHidSystem keyboard([] {
    KeyboardSpec spec = StandardKeyboard();
    spec.logReports = true;
    return spec;
  }());
  return keyboard;
}

}  // namespace sim

namespace platform {
HidSystem& DefaultHidSystem() { return sim::DemoKeyboard(); }
}  // namespace platform
