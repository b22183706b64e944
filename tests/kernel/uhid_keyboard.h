#pragma once
// A keyboard emulated through /dev/uhid for the kernel suite: the descriptor of the test keyboard
// (keyboard, vendor lighting collection with report ID 7, consumer control), answers feature
// reads of report 7 with a version answer, and records every feature and output report it is sent.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kbtest {

class UhidKeyboard {
 public:
  UhidKeyboard(std::uint16_t vendorId, std::uint16_t productId, std::vector<std::uint8_t> versionAnswer);
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
  void ClearReports();
  bool WaitForFeatureReports(std::size_t count, int timeoutMs) const;

 private:
  void Run();
  bool Send(const void* event, std::size_t size);

  std::uint16_t vendorId_;
  std::uint16_t productId_;
  std::vector<std::uint8_t> versionAnswer_;
  int fd_ = -1;
  int stopFd_ = -1;
  bool plugged_ = false;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::vector<std::uint8_t>> features_;
  std::vector<std::vector<std::uint8_t>> outputs_;
  std::thread thread_;
};

}  // namespace kbtest
