#pragma once
// An emulated keyboard behind the HID seam. A test describes the device declaratively (start from
// StandardKeyboard() and change one thing), then inspects every report the keyboard received.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid.h"
#include "support/clock.h"

namespace sim {

struct InterfaceSpec {
  std::wstring path;
  platform::Guid interfaceClassGuid = platform::kHidInterfaceClass;
  std::uint32_t flags = 1;
  platform::HidAttributes attributes;
  platform::HidCaps caps;
  bool detailReadable = true;  // false: listed, but its path cannot be read
  bool opens = true;           // false: every open is refused
  bool capsReadable = true;    // false: opens, but attributes and caps cannot be read
  bool writeGoesPending = false;  // output writes complete only after a wait
};

struct KeyboardSpec {
  std::vector<InterfaceSpec> interfaces;
  std::uint16_t firmwareVersion = 0x0100;
  bool logReports = false;  // print every received report as a line of hex bytes
};

// The keyboard of the default config.xml: vendor 0x1A2B, product 0x0C3D, a boot keyboard on
// interface 0 and a composite interface 1 whose collection 2 is the vendor lighting channel.
KeyboardSpec StandardKeyboard();
inline constexpr std::uint16_t kStandardVendor = 0x1A2B;
inline constexpr std::uint16_t kStandardProduct = 0x0C3D;
extern const wchar_t* const kStandardLightingPath;

struct ReceivedReport {
  enum class Kind { kSetFeature, kGetFeature, kOutput };
  Kind kind = Kind::kSetFeature;
  std::wstring path;
  std::vector<std::uint8_t> bytes;
  support::Clock::TimePoint at;
};

class SimHidSystem final : public platform::HidSystem {
 public:
  explicit SimHidSystem(KeyboardSpec spec = StandardKeyboard(),
                        support::Clock& clock = support::SteadyClock::Instance());
  ~SimHidSystem() override;

  bool ListInterfaces(std::vector<platform::HidInterfaceEntry>& out, platform::Guid& classGuid) override;
  std::unique_ptr<platform::HidHandle> Open(const std::wstring& path, std::uint32_t access, std::uint32_t share,
                                            std::uint32_t& error) override;
  std::unique_ptr<platform::Subscription> WatchInterfaces(
      std::function<void(platform::DeviceChange, const std::wstring&)> onChange) override;

  // The keyboard leaves: open handles fail from now on, watchers hear one removal per interface.
  void Unplug();
  // The keyboard comes back: watchers hear one arrival per interface (paths in upper case, as
  // device notifications carry them).
  void PlugIn();
  bool IsPluggedIn() const;

  void SetFirmwareVersion(std::uint16_t version);
  // While held, output writes stay pending past any time limit (the writer gives up).
  void HoldOutputWrites(bool hold);

  std::vector<ReceivedReport> Reports() const;
  void ClearReports();
  int ListCalls() const;
  int OpenCalls() const;
  int OpenHandles() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// The emulated keyboard the program itself uses when linked with the sim backend.
SimHidSystem& DemoKeyboard();

}  // namespace sim
