#pragma once
// One open hidraw node seen through one of its top-level collections: feature reports with
// HIDIOCGFEATURE/HIDIOCSFEATURE (byte 0 is the report ID), output reports with write() after
// poll() within the time limit, attributes and caps from sysfs and the report descriptor.
#include <chrono>
#include <cstdint>

#include "platform/hid.h"
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
};

}  // namespace platform::linux_backend
