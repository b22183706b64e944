#pragma once
// One open hidraw node seen through one of its top-level collections: feature reports with
// HIDIOCGFEATURE/HIDIOCSFEATURE (byte 0 is the report ID), output reports with write() within the
// time limit, attributes and caps from sysfs and the report descriptor. hidraw's write() is
// synchronous (it returns when the device has taken the report or the USB time-out has passed) and
// the node always polls writable, so the write runs on an abandonable writer (abandonable_writer.h)
// started at the first output report: a keyboard that does not answer costs the caller the limit,
// not the USB time-out.
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/hid.h"
#include "platform/linux/abandonable_writer.h"
#include "platform/linux/hidraw_nodes.h"

namespace platform::linux_backend {

class HidrawHandle final : public HidHandle {
 public:
  // Takes ownership of `fd` (-1 for a query-only handle that moves no reports).
  HidrawHandle(int fd, HidrawNode node, int collectionIndex);
  ~HidrawHandle() override;
  HidrawHandle(const HidrawHandle&) = delete;
  HidrawHandle& operator=(const HidrawHandle&) = delete;

  std::uintptr_t NativeValue() const override;
  bool GetAttributes(HidAttributes& attributes) override;
  bool GetCaps(HidCaps& caps) override;
  bool GetFeature(std::uint8_t* buffer, std::size_t length) override;
  bool SetFeature(const std::uint8_t* buffer, std::size_t length) override;
  WriteOutcome Write(const std::uint8_t* buffer, std::size_t length, std::chrono::milliseconds limit) override;
  bool Close() override;

 private:
  int fd_;
  HidrawNode node_;
  int collectionIndex_;
  std::unique_ptr<AbandonableWriter> writer_;  // from the first Write on
};

}  // namespace platform::linux_backend
