#pragma once
// Owners of Windows handles: each closes its handle exactly once, when it goes away.
#include <utility>

#include "platform/win32/win_api.h"

namespace platform::win32 {

// A kernel object handle (file, event, mutex, process, thread). Null and INVALID_HANDLE_VALUE
// both mean "none".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }

  // Closes the handle now. False (and the handle is kept) when the system refused.
  bool Close();
  void Reset();

 private:
  HANDLE handle_ = nullptr;
};

// A SetupAPI device information set.
class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (valid()) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

  HDEVINFO get() const { return set_; }
  bool valid() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }

 private:
  HDEVINFO set_;
};

// The HID class driver's descriptor data of one open interface.
class PreparsedData {
 public:
  PreparsedData() = default;
  ~PreparsedData() {
    if (data_ != nullptr) HidD_FreePreparsedData(data_);
  }
  PreparsedData(const PreparsedData&) = delete;
  PreparsedData& operator=(const PreparsedData&) = delete;

  PHIDP_PREPARSED_DATA* out() { return &data_; }
  PHIDP_PREPARSED_DATA get() const { return data_; }

 private:
  PHIDP_PREPARSED_DATA data_ = nullptr;
};

}  // namespace platform::win32
