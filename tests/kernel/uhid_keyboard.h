#pragma once
// A HID device emulated through /dev/uhid for the tests that run in a qemu guest: the report
// descriptor it is given (by default the kernel suite's test keyboard: keyboard, vendor lighting
// collection with report ID 7, consumer control), answers feature reads of report 7 with a version
// answer, and records every feature and output report it is sent with the time it arrived.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kbtest {

// What the kernel is told about the device when it is plugged in.
struct UhidDescription {
  std::string name = "kbtest keyboard";
  // The USB interface the device stands for is the number after "/input" (as the kernel's USB
  // HID driver writes it), which is where user space reads it from for a device without a USB parent.
  std::string phys = "usb-kbtest-1/input1";
  std::vector<std::uint8_t> descriptor;  // empty: the test keyboard's
  std::uint8_t keyReportId = 0x01;       // report ID of the key input report; 0 when it has none
};

// A report the device received, with the monotonic time its thread read it from /dev/uhid.
struct ReceivedReport {
  std::vector<std::uint8_t> bytes;
  std::chrono::steady_clock::time_point at;
};

class UhidKeyboard {
 public:
  UhidKeyboard(std::uint16_t vendorId, std::uint16_t productId, std::vector<std::uint8_t> versionAnswer,
               UhidDescription description = {});
  ~UhidKeyboard();
  UhidKeyboard(const UhidKeyboard&) = delete;
  UhidKeyboard& operator=(const UhidKeyboard&) = delete;

  // Plugs the keyboard in (UHID_CREATE2) or pulls it out (UHID_DESTROY). False on failure.
  bool Plug();
  bool Unplug();
  // Sends the keyboard's input report: modifier byte and up to six key usages held down.
  bool SendKeys(std::uint8_t modifiers, const std::vector<std::uint8_t>& usages);

  // Feature reports set (each as written, report ID first) and output reports received.
  std::vector<std::vector<std::uint8_t>> FeatureReports() const;
  std::vector<std::vector<std::uint8_t>> OutputReports() const;
  std::vector<ReceivedReport> FeatureLog() const;
  std::vector<ReceivedReport> OutputLog() const;
  // Feature reads of report 7 that were answered with the version answer.
  int VersionReadsAnswered() const;
  void ClearReports();
  bool WaitForFeatureReports(std::size_t count, int timeoutMs) const;
  bool WaitForOutputReports(std::size_t count, int timeoutMs) const;

 private:
  void Run();
  bool Send(const void* event, std::size_t size);
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs) const;

  std::uint16_t vendorId_;
  std::uint16_t productId_;
  std::vector<std::uint8_t> versionAnswer_;
  UhidDescription description_;
  int fd_ = -1;
  int stopFd_ = -1;
  bool plugged_ = false;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<ReceivedReport> features_;
  std::vector<ReceivedReport> outputs_;
  int versionReads_ = 0;
  std::thread thread_;
};

}  // namespace kbtest
