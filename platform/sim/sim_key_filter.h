#pragma once
// An emulated key filter driver behind the filter-device seam. It keeps the capture table it was
// sent, and a test (or the demo) presses and releases keys: only captured keys complete a pending
// key-event read; a key released goes the way its press went. Like a real replacement driver it reports every request as pending and
// completes it afterwards, so the client's pending-then-wait rule is exercised.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/filter_device.h"
#include "platform/filter_protocol.h"

namespace sim {

// The control codes the driver accepts (platform/filter_protocol.h).
inline constexpr std::uint32_t kFilterCodeStart = platform::kFilterRequestPrepare;
inline constexpr std::uint32_t kFilterCodeArm = platform::kFilterRequestArm;
inline constexpr std::uint32_t kFilterCodeMode = platform::kFilterRequestSetMode;
inline constexpr std::uint32_t kFilterCodeReadKey = platform::kFilterRequestReadKeyEvent;
inline constexpr std::uint32_t kFilterCodeCaptureTable = platform::kFilterRequestCaptureTable;

// One request the driver received.
struct FilterRequest {
  std::uint32_t code = 0;
  int handle = 0;  // serial number of the handle it came through (1 for the first opened)
  std::vector<std::uint8_t> input;
};

class SimKeyFilterDriver final : public platform::FilterDeviceSystem {
 public:
  explicit SimKeyFilterDriver(bool installed = true);
  ~SimKeyFilterDriver() override;
  SimKeyFilterDriver(const SimKeyFilterDriver&) = delete;
  SimKeyFilterDriver& operator=(const SimKeyFilterDriver&) = delete;

  std::unique_ptr<platform::AbortEvent> CreateAbortEvent() override;
  std::unique_ptr<platform::FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                           std::uint32_t& error) override;
  platform::InputPath Path() const override { return platform::InputPath::kEmulated; }

  // Not installed: every open fails with "file not found".
  void SetInstalled(bool installed);
  // A faulty driver that finishes every request inside the submit call.
  void SetCompleteAtOnce(bool atOnce);
  // Logs every key that goes down or up, and whether it was captured or passed on (for the demo).
  void SetLogEvents(bool log);
  // While held, a key-event read that goes pending does not return from its submit call, so a
  // test can act between a client's submit and its wait. HeldSubmits() counts reads held now.
  void HoldReadSubmits(bool hold);
  int HeldSubmits() const;
  int AbortEventSets() const;  // Set() calls on any abort event of this driver

  // A key goes down or up on the keyboard. `keyCode` is page << 16 | usage. Returns true when the
  // key is captured (its event completes a pending read, or waits for the next one). A key keeps
  // the route of its press: a release is captured exactly when its press was.
  bool PressKey(std::uint32_t keyCode);
  bool ReleaseKey(std::uint32_t keyCode);
  bool IsCaptured(std::uint32_t keyCode) const;

  // The last capture table received, as sent (empty before the first).
  std::vector<std::uint8_t> CaptureTable() const;
  std::vector<FilterRequest> Requests() const;  // every request except key-event reads
  std::vector<int> ReadHandles() const;         // handle serial of every key-event read, in order
  int PendingReads() const;
  int MaxPendingReads() const;  // the most key-event reads ever outstanding at once
  int OpenCalls() const;
  int OpenHandles() const;
  int QueuedEvents() const;     // events of captured keys not yet picked up by a read

  // Polls `condition` until it holds or `limit` passes; returns whether it held.
  bool WaitUntil(const std::function<bool(const SimKeyFilterDriver&)>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

  struct State;

 private:
  bool KeyChange(std::uint32_t keyCode, bool down);
  std::shared_ptr<State> state_;
};

// The emulated filter driver the program itself uses when linked with the sim backend.
SimKeyFilterDriver& DemoKeyFilter();

}  // namespace sim
